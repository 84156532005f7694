#include "pe/SectionLookup.h"

#include "pe/RvaToFileOffset.h"

#include <algorithm>
#include <queue>

namespace quorvel::pe {

SectionLookup::SectionLookup(std::span<const SectionEntry> sections) : m_sections(sections) {
    struct Interval {
        int64_t start;
        int64_t end;
        int32_t index;
    };
    // The linear rule stops at the first section whose end overflows, so only the sections
    // before it can ever be found.
    std::vector<Interval> intervals;
    intervals.reserve(sections.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        const int64_t start = sections[i].VirtualAddress;
        const int64_t end = start + SectionSpan(sections[i]);
        if (!CheckedInt32(end)) {
            m_overflows = true;
            break;
        }
        if (start < end)
            intervals.push_back({start, end, static_cast<int32_t>(i)});
    }

    std::vector<int64_t> points;
    points.reserve(intervals.size() * 2);
    for (const auto& interval : intervals) {
        points.push_back(interval.start);
        points.push_back(interval.end);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    std::sort(intervals.begin(), intervals.end(),
              [](const Interval& a, const Interval& b) { return a.start < b.start; });

    // Sweep the points keeping the covering intervals in a heap by table index; ended
    // ones are dropped once they reach the top.
    auto laterIndex = [](const Interval& a, const Interval& b) { return a.index > b.index; };
    std::priority_queue<Interval, std::vector<Interval>, decltype(laterIndex)> active(laterIndex);
    m_segments.reserve(points.size());
    size_t next = 0;
    for (int64_t point : points) {
        while (next < intervals.size() && intervals[next].start == point)
            active.push(intervals[next++]);
        while (!active.empty() && active.top().end <= point)
            active.pop();
        m_segments.push_back({point, active.empty() ? -1 : active.top().index});
    }
}

std::optional<int32_t> SectionLookup::toFileOffset(int32_t rva) const {
    if (m_sections.empty())
        return 0;
    if (rva < m_sections.front().PointerToRawData)
        return rva;
    auto after = std::upper_bound(m_segments.begin(), m_segments.end(), int64_t{rva},
                                  [](int64_t value, const Segment& s) { return value < s.start; });
    const int32_t found = after == m_segments.begin() ? -1 : std::prev(after)->section;
    if (found < 0) {
        if (m_overflows)
            return std::nullopt;
        return 0;
    }
    const auto& section = m_sections[static_cast<size_t>(found)];
    if (section.PointerToRawData == 0)
        return rva;
    return CheckedInt32(int64_t{rva} - section.VirtualAddress + section.PointerToRawData);
}

} // namespace quorvel::pe
