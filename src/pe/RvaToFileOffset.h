#pragma once

#include "pe/NtHeaders.h"
#include "pe/SectionEntry.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quorvel::pe {

// The file offset of a relative virtual address, or 0 when no section holds it; an
// address below the first section's raw data is its own offset. Nothing when a sum or
// difference leaves the signed 32-bit range, which stops the walk.
std::optional<int32_t> RvaToFileOffset(std::span<const SectionEntry> sections, int32_t rva);

// e_lfanew + 24 + SizeOfOptionalHeader, or nothing when it leaves the signed 32-bit range.
std::optional<int32_t> SectionTableOffset(const NtHeaders& ntHeaders, int32_t e_lfanew);

// The size that bounds a section's addresses: SizeOfRawData, or VirtualSize when that is 0.
inline int64_t SectionSpan(const SectionEntry& section) {
    return section.SizeOfRawData != 0 ? section.SizeOfRawData : section.VirtualSize;
}

// Signed 32-bit arithmetic as the report's rules do it: nothing on overflow.
inline std::optional<int32_t> CheckedInt32(int64_t value) {
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace quorvel::pe
