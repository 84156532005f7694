#include "pe/PeNames.h"

#include <array>
#include <utility>

namespace quorvel::pe {

namespace {

using NameRow = std::pair<uint16_t, std::string_view>;

constexpr std::array kMachines{
    NameRow{0x0, "MACHINE_UNKNOWN"},   NameRow{0x14C, "MACHINE_I386"},
    NameRow{0x162, "MACHINE_R3000"},   NameRow{0x166, "MACHINE_R4000"},
    NameRow{0x168, "MACHINE_R10000"},  NameRow{0x169, "MACHINE_WCEMIPSV2"},
    NameRow{0x184, "MACHINE_ALPHA"},   NameRow{0x1A2, "MACHINE_SH3"},
    NameRow{0x1A4, "MACHINE_SH3E"},    NameRow{0x1A6, "MACHINE_SH4"},
    NameRow{0x1C0, "MACHINE_ARM"},     NameRow{0x1C2, "MACHINE_THUMB"},
    NameRow{0x1F0, "MACHINE_POWERPC"}, NameRow{0x200, "MACHINE_IA64"},
    NameRow{0x266, "MACHINE_MIPS16"},  NameRow{0x284, "MACHINE_ALPHA6"},
    NameRow{0x366, "MACHINE_MIPSFPU"}, NameRow{0x466, "MACHINE_MIPSFPU16"},
};

constexpr std::array kMagics{
    NameRow{0x107, "ROM_OPTIONAL_HDR_MAGIC"},
    NameRow{0x10B, "NT_OPTIONAL_HDR32_MAGIC"},
    NameRow{0x20B, "NT_OPTIONAL_HDR64_MAGIC"},
};

constexpr std::array kSubsystems{
    NameRow{0, "SUBSYSTEM_UNKNOWN"},
    NameRow{1, "SUBSYSTEM_NATIVE"},
    NameRow{2, "SUBSYSTEM_WINDOWS_GUI"},
    NameRow{3, "SUBSYSTEM_WINDOWS_CONSOLE"},
    NameRow{5, "SUBSYSTEM_OS2_CONSOLE"},
    NameRow{7, "SUBSYSTEM_POSIX_CONSOLE"},
    NameRow{8, "SUBSYSTEM_NATIVE_DRIVER_WINDOWS"},
    NameRow{9, "WINDOWS_CE_GUI"},
};

template <size_t N> std::string_view Lookup(const std::array<NameRow, N>& table, int16_t value) {
    const auto key = static_cast<uint16_t>(value);
    for (const auto& [code, name] : table)
        if (code == key)
            return name;
    return {};
}

} // namespace

std::string_view MachineName(int16_t machine) {
    return Lookup(kMachines, machine);
}

std::string_view MagicName(int16_t magic) {
    return Lookup(kMagics, magic);
}

std::string_view SubsystemName(int16_t subsystem) {
    return Lookup(kSubsystems, subsystem);
}

void AppendSectionFlagsText(std::string& text, int32_t characteristics) {
    const auto flags = static_cast<uint32_t>(characteristics);
    if (flags & 0x80)
        text += "SECTION_UNINITIALIZED_DATA";
    else if (flags & 0x40)
        text += "SECTION_INITIALIZED_DATA";
    else if (flags & 0x20)
        text += "SECTION_CODE";
    if (flags & 0x10000000)
        text += " + SHAREABLE";
    if (flags & 0x20000000)
        text += " + EXECUTABLE";
    if (flags & 0x40000000)
        text += " + READABLE";
    if (flags & 0x80000000)
        text += " + WRITABLE";
}

std::string SectionFlagsText(int32_t characteristics) {
    std::string text;
    AppendSectionFlagsText(text, characteristics);
    return text;
}

} // namespace quorvel::pe
