#include "pe/RvaToFileOffset.h"

namespace quorvel::pe {

std::optional<int32_t> RvaToFileOffset(std::span<const SectionEntry> sections, int32_t rva) {
    if (sections.empty())
        return 0;
    if (rva < sections.front().PointerToRawData)
        return rva;
    for (const auto& section : sections) {
        auto end = CheckedInt32(int64_t{section.VirtualAddress} + SectionSpan(section));
        if (!end)
            return std::nullopt;
        if (section.VirtualAddress <= rva && rva < *end) {
            if (section.PointerToRawData == 0)
                return rva;
            return CheckedInt32(int64_t{rva} - section.VirtualAddress + section.PointerToRawData);
        }
    }
    return 0;
}

std::optional<int32_t> SectionTableOffset(const NtHeaders& ntHeaders, int32_t e_lfanew) {
    return CheckedInt32(int64_t{e_lfanew} + kFileHeaderSize + 4 + ntHeaders.SizeOfOptionalHeader);
}

} // namespace quorvel::pe
