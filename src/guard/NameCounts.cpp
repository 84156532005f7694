#include "guard/NameCounts.h"

namespace quorvel::guard {

void NameCounts::Remove(std::string_view name) {
    auto it = m_counts.find(name);
    if (it == m_counts.end())
        return;
    if (--it->second <= 0)
        m_counts.erase(it);
}

int32_t NameCounts::Count(std::string_view name) const {
    auto it = m_counts.find(name);
    return it == m_counts.end() ? 0 : it->second;
}

} // namespace quorvel::guard
