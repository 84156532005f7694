#include "guard/ProcessTable.h"

#include "guard/CaseFold.h"

#include <algorithm>
#include <utility>

namespace quorvel::guard {

void ProcessTable::Clear() {
    m_slots.clear();
    m_hashes.clear();
}

void ProcessTable::Reserve(size_t count) {
    m_slots.reserve(std::min(count, kCapacity));
    m_hashes.reserve(std::min(count, kCapacity));
}

bool ProcessTable::Store(ProcessRecord record) {
    const uint64_t hash = UpperCaseHash(record.exeName);
    return StoreHashed(std::move(record), hash);
}

bool ProcessTable::StoreHashed(ProcessRecord record, uint64_t nameHash) {
    if (m_slots.size() >= kCapacity)
        return false;
    record.windowCount = 0;
    m_slots.push_back(std::move(record));
    m_hashes.push_back(nameHash);
    return true;
}

} // namespace quorvel::guard
