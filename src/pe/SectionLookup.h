#pragma once

#include "pe/SectionEntry.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvel::pe {

// Answers RvaToFileOffset for one section table in logarithmic time, so a file with
// thousands of sections and thunks cannot make the walk quadratic.
class SectionLookup {
public:
    explicit SectionLookup(std::span<const SectionEntry> sections);

    std::optional<int32_t> toFileOffset(int32_t rva) const;

private:
    struct Segment {
        int64_t start = 0;
        int32_t section = -1; // the first section in table order that covers it, or -1
    };

    std::span<const SectionEntry> m_sections;
    std::vector<Segment> m_segments; // sorted by start; each runs to the next one's start
    bool m_overflows = false;        // a section's end leaves the signed 32-bit range
};

} // namespace quorvel::pe
