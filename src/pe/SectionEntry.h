#pragma once

#include <cstdint>
#include <string_view>

namespace quorvel::pe {

inline constexpr int kSectionHeaderSize = 40;

// One row of the section table, from the 40 bytes of a section header. The name views
// the file's bytes, at most 8 of them, cut at the first NUL.
struct SectionEntry {
    std::string_view name;
    int32_t VirtualSize = 0; // the Misc union, also shown as the physical address
    int32_t VirtualAddress = 0;
    int32_t SizeOfRawData = 0;
    int32_t PointerToRawData = 0;
    int32_t PointerToRelocations = 0;
    int32_t PointerToLinenumbers = 0;
    int16_t NumberOfRelocations = 0;
    int16_t NumberOfLinenumbers = 0;
    int32_t Characteristics = 0;
};

} // namespace quorvel::pe
