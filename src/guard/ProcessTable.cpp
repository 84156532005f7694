#include "guard/ProcessTable.h"

#include <algorithm>
#include <utility>

namespace quorvel::guard {

void ProcessTable::Reserve(size_t count) {
    m_slots.reserve(std::min(count, kCapacity));
}

bool ProcessTable::Store(ProcessRecord record) {
    if (m_slots.size() >= kCapacity)
        return false;
    record.windowCount = 0;
    m_slots.push_back(std::move(record));
    return true;
}

} // namespace quorvel::guard
