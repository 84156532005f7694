#pragma once

#include "guard/ProcessRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvel::guard {

// The processes of the latest snapshot, slots numbered from 0 in the order the system
// listed them. Slot numbers are signed 16-bit, so the table holds at most 32,767 processes;
// below that it holds every process the snapshot lists.
class ProcessTable {
public:
    static constexpr size_t kCapacity = 32767;

    void Clear();
    void Reserve(size_t count);

    // Copies the record into the next slot with window count 0; false when full.
    bool Store(ProcessRecord record);
    // The same, with UpperCaseHash(record.exeName) already at hand; startTime tells the
    // process from earlier ones of its PID.
    bool StoreHashed(ProcessRecord record, uint64_t nameHash, uint64_t startTime = 0);

    // For passes that follow single processes: the slots stay in (start time, PID)
    // order, so a process is found and placed by a binary search. sorted() tells whether
    // the stored slots are in that order (a listing that gave no start times is not).
    bool sorted() const { return m_sorted; }
    // The slot of the process, or where it would go.
    size_t LowerBound(uint64_t startTime, uint32_t pid) const;
    std::optional<size_t> Find(uint64_t startTime, uint32_t pid) const;
    void Insert(size_t slot, ProcessRecord record, uint64_t nameHash, uint64_t startTime);
    void Erase(size_t slot);
    ProcessRecord& At(size_t slot) { return m_slots[slot]; }
    uint64_t startTime(size_t slot) const { return m_startTimes[slot]; }

    void SetWindowCount(size_t slot, int16_t count) { m_slots[slot].windowCount = count; }

    size_t size() const { return m_slots.size(); }
    bool empty() const { return m_slots.empty(); }
    const ProcessRecord& operator[](size_t slot) const { return m_slots[slot]; }
    const std::vector<ProcessRecord>& slots() const { return m_slots; }
    // UpperCaseHash of each slot's name, side by side for quick scans.
    std::span<const uint64_t> nameHashes() const { return m_hashes; }

private:
    std::vector<ProcessRecord> m_slots;
    std::vector<uint64_t> m_hashes;
    std::vector<uint64_t> m_startTimes;
    bool m_sorted = true;
};

} // namespace quorvel::guard
