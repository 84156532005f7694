#include "PeBuilder.h"

#include <algorithm>

namespace quorvel::pe::test {

void PeBuilder::grow(size_t end) {
    if (m_bytes.size() < end)
        m_bytes.resize(end);
}

PeBuilder& PeBuilder::u16(size_t at, uint16_t value) {
    grow(at + 2);
    m_bytes[at] = std::byte(value & 0xFF);
    m_bytes[at + 1] = std::byte(value >> 8);
    return *this;
}

PeBuilder& PeBuilder::u32(size_t at, uint32_t value) {
    u16(at, static_cast<uint16_t>(value & 0xFFFF));
    return u16(at + 2, static_cast<uint16_t>(value >> 16));
}

PeBuilder& PeBuilder::text(size_t at, std::string_view value) {
    grow(at + value.size());
    for (size_t i = 0; i < value.size(); ++i)
        m_bytes[at + i] = std::byte(static_cast<unsigned char>(value[i]));
    return *this;
}

PeBuilder& PeBuilder::resize(size_t size) {
    m_bytes.resize(size);
    return *this;
}

PeBuilder PeBuilder::truncated(size_t size) const {
    PeBuilder copy = *this;
    copy.m_bytes.resize(std::min(size, m_bytes.size()));
    return copy;
}

namespace {

void WriteHeaders(PeBuilder& pe, uint16_t sectionCount) {
    using namespace crafted;
    pe.text(0, "MZ").u32(0x3C, kNt);
    pe.text(kNt, std::string_view("PE\0\0", 4));
    pe.u16(kNt + 4, 0x14C).u16(kNt + 6, sectionCount).u16(kNt + 20, 0xE0).u16(kNt + 22, 0x102);
    pe.u16(kOptional, 0x10B)
        .u32(kOptional + 4, 0x200)       // SizeOfCode
        .u32(kOptional + 16, 0x1000)     // AddressOfEntryPoint
        .u32(kOptional + 20, 0x1000)     // BaseOfCode
        .u32(kOptional + 24, 0x2000)     // BaseOfData
        .u32(kOptional + 28, 0x400000)   // ImageBase
        .u32(kOptional + 32, 0x1000)     // SectionAlignment
        .u32(kOptional + 36, 0x200)      // FileAlignment
        .u32(kOptional + 56, 0x3000)     // SizeOfImage
        .u32(kOptional + 60, 0x200)      // SizeOfHeaders
        .u32(kOptional + 64, 0xABCDEF01) // CheckSum
        .u16(kOptional + 68, 2);         // Subsystem
}

void WriteSection(PeBuilder& pe, int index, std::string_view name, uint32_t virtualSize,
                  uint32_t virtualAddress, uint32_t rawSize, uint32_t rawPointer,
                  uint32_t characteristics) {
    const size_t at = crafted::kSectionTable + static_cast<size_t>(index) * 40;
    pe.text(at, name)
        .u32(at + 8, virtualSize)
        .u32(at + 12, virtualAddress)
        .u32(at + 16, rawSize)
        .u32(at + 20, rawPointer)
        .u32(at + 36, characteristics);
}

} // namespace

PeBuilder CraftedPe() {
    using namespace crafted;
    PeBuilder pe(kSize);
    WriteHeaders(pe, 2);
    pe.u32(kOptional + 96, 0x2000);  // export directory
    pe.u32(kOptional + 104, 0x2100); // import directory
    WriteSection(pe, 0, ".text", 0x100, 0x1000, 0x200, 0x200, 0x60000020);
    WriteSection(pe, 1, ".rdata", 0x300, 0x2000, 0x400, 0x400, 0x40000040);

    // Export directory: name, base 1, four functions, three names and their tables.
    pe.u32(kExportDirectory + 12, 0x2080)
        .u32(kExportDirectory + 16, 1)
        .u32(kExportDirectory + 20, 4)
        .u32(kExportDirectory + 24, 3)
        .u32(kExportDirectory + 28, 0x2028)
        .u32(kExportDirectory + 32, 0x2038)
        .u32(kExportDirectory + 36, 0x2044);
    pe.u32(kFunctions, 0x1010).u32(kFunctions + 4, 0).u32(kFunctions + 8, 0x1020);
    pe.u32(kFunctions + 12, 0x1030);
    pe.u32(kNamePointers, 0x2090).u32(kNamePointers + 4, 0x2098).u32(kNamePointers + 8, 0x20A0);
    pe.u16(kNameOrdinals, 3).u16(kNameOrdinals + 2, 0).u16(kNameOrdinals + 4, 3);
    pe.text(RdataOffset(0x2080), "crafted.dll");
    pe.text(RdataOffset(0x2090), "Beta").text(RdataOffset(0x2098), "Alpha");
    pe.text(RdataOffset(0x20A0), "Gamma");

    // Import descriptors: kernel32 through OriginalFirstThunk, user32 through FirstThunk.
    pe.u32(kDescriptors, 0x2180).u32(kDescriptors + 12, 0x21C0).u32(kDescriptors + 16, 0x2190);
    pe.u32(kDescriptors + 32, 0x21D0).u32(kDescriptors + 36, 0x21A0);
    pe.u32(kKernelThunks, 0x21E0).u32(kKernelThunks + 4, 0x80000010);
    pe.u32(kKernelThunks + 8, 0x2200);
    pe.u32(kUserThunks, 0x2220);
    pe.text(RdataOffset(0x21C0), "kernel32.dll").text(RdataOffset(0x21D0), "User32.dll");
    pe.u16(RdataOffset(0x21E0), 7).text(RdataOffset(0x21E2), "GetAsyncKeyState");
    pe.u16(RdataOffset(0x2200), 9).text(RdataOffset(0x2202), "ExitProcess");
    pe.u16(RdataOffset(0x2220), 1).text(RdataOffset(0x2222), "MessageBoxA");
    return pe;
}

PeBuilder PeSharingOneThunkTable(int descriptors, int thunks) {
    using namespace crafted;
    constexpr uint32_t kTable = 0x2400, kThunks = 0x3000, kNames = 0x3100, kModule = 0x3800;
    PeBuilder pe = CraftedPe();
    WriteSection(pe, 1, ".rdata", 0x2000, 0x2000, 0x2000, 0x400, 0x40000040);
    pe.resize(0x2400).u32(kOptional + 104, kTable);
    pe.text(RdataOffset(kModule), "kernel32.dll");
    for (uint32_t i = 0; i < static_cast<uint32_t>(descriptors); ++i)
        pe.u32(RdataOffset(kTable + i * 20 + 12), kModule)
            .u32(RdataOffset(kTable + i * 20 + 16), kThunks);
    pe.u32(RdataOffset(kTable + static_cast<uint32_t>(descriptors) * 20 + 16), 0);
    for (uint32_t i = 0; i < static_cast<uint32_t>(thunks); ++i) {
        pe.u32(RdataOffset(kThunks + i * 4), kNames + i * 0x20);
        pe.text(RdataOffset(kNames + i * 0x20 + 2), "Function" + std::to_string(i));
    }
    pe.u32(RdataOffset(kThunks + static_cast<uint32_t>(thunks) * 4), 0);
    return pe;
}

PeBuilder PeWithSections(int count) {
    PeBuilder pe(crafted::kSectionTable + static_cast<size_t>(count) * 40);
    WriteHeaders(pe, static_cast<uint16_t>(count));
    for (int i = 0; i < count; ++i)
        WriteSection(pe, i, ".s", 0x10, 0x1000 + 0x1000 * static_cast<uint32_t>(i), 0, 0,
                     0xC0000040);
    return pe;
}

} // namespace quorvel::pe::test
