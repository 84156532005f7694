#pragma once

#include "guard/ProcessRecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel::guard {

// The processes of the latest snapshot, slots numbered from 0 in the order the system
// listed them. Slot numbers are signed 16-bit, so the table holds at most 32,767 processes;
// below that it holds every process the snapshot lists.
class ProcessTable {
public:
    static constexpr size_t kCapacity = 32767;

    void Clear() { m_slots.clear(); }
    void Reserve(size_t count);

    // Copies the record into the next slot with window count 0; false when full.
    bool Store(ProcessRecord record);

    size_t size() const { return m_slots.size(); }
    bool empty() const { return m_slots.empty(); }
    const ProcessRecord& operator[](size_t slot) const { return m_slots[slot]; }
    ProcessRecord& operator[](size_t slot) { return m_slots[slot]; }
    const std::vector<ProcessRecord>& slots() const { return m_slots; }
    std::vector<ProcessRecord>& slots() { return m_slots; }

private:
    std::vector<ProcessRecord> m_slots;
};

} // namespace quorvel::guard
