#include "guard/ProcessTable.h"

#include "guard/CaseFold.h"

#include <algorithm>
#include <utility>

namespace quorvel::guard {

void ProcessTable::Clear() {
    m_slots.clear();
    m_hashes.clear();
    m_startTimes.clear();
    m_sorted = true;
}

void ProcessTable::Reserve(size_t count) {
    m_slots.reserve(std::min(count, kCapacity));
    m_hashes.reserve(std::min(count, kCapacity));
    m_startTimes.reserve(std::min(count, kCapacity));
}

bool ProcessTable::Store(ProcessRecord record) {
    const uint64_t hash = UpperCaseHash(record.exeName);
    return StoreHashed(std::move(record), hash);
}

bool ProcessTable::StoreHashed(ProcessRecord record, uint64_t nameHash, uint64_t startTime) {
    if (m_slots.size() >= kCapacity)
        return false;
    if (!m_slots.empty()) {
        const uint64_t lastStart = m_startTimes.back();
        const uint32_t lastPid = m_slots.back().th32ProcessID;
        if (startTime < lastStart || (startTime == lastStart && record.th32ProcessID <= lastPid))
            m_sorted = false;
    }
    record.windowCount = 0;
    m_slots.push_back(std::move(record));
    m_hashes.push_back(nameHash);
    m_startTimes.push_back(startTime);
    return true;
}

size_t ProcessTable::LowerBound(uint64_t startTime, uint32_t pid) const {
    size_t low = 0;
    size_t high = m_slots.size();
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        const bool before = m_startTimes[mid] != startTime ? m_startTimes[mid] < startTime
                                                           : m_slots[mid].th32ProcessID < pid;
        if (before)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

std::optional<size_t> ProcessTable::Find(uint64_t startTime, uint32_t pid) const {
    const size_t slot = LowerBound(startTime, pid);
    if (slot < m_slots.size() && m_startTimes[slot] == startTime &&
        m_slots[slot].th32ProcessID == pid)
        return slot;
    return std::nullopt;
}

// New processes are the newest: they go at or near the end, where inserting moves little.
void ProcessTable::Insert(size_t slot, ProcessRecord record, uint64_t nameHash,
                          uint64_t startTime) {
    record.windowCount = 0;
    const auto at = static_cast<std::ptrdiff_t>(slot);
    m_slots.insert(m_slots.begin() + at, std::move(record));
    m_hashes.insert(m_hashes.begin() + at, nameHash);
    m_startTimes.insert(m_startTimes.begin() + at, startTime);
}

void ProcessTable::Erase(size_t slot) {
    const auto at = static_cast<std::ptrdiff_t>(slot);
    m_slots.erase(m_slots.begin() + at);
    m_hashes.erase(m_hashes.begin() + at);
    m_startTimes.erase(m_startTimes.begin() + at);
}

} // namespace quorvel::guard
