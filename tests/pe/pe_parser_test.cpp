// Address conversion, section table position and the bounds-checked reader.
#include "pe/ByteReader.h"
#include "pe/RvaToFileOffset.h"
#include "pe/SectionLookup.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <vector>

namespace quorvel::pe {
namespace {

SectionEntry Section(int32_t va, int32_t rawSize, int32_t rawPointer, int32_t virtualSize = 0) {
    SectionEntry s;
    s.VirtualAddress = va;
    s.SizeOfRawData = rawSize;
    s.PointerToRawData = rawPointer;
    s.VirtualSize = virtualSize;
    return s;
}

struct ConversionCase {
    const char* name;
    std::vector<SectionEntry> sections;
    int32_t rva;
    std::optional<int32_t> offset; // nothing: a signed overflow
};

// .text at 0x1000 (file 0x400), .bss with no raw data at 0x2000, and a section that
// overlaps .text and comes later in the table.
const std::vector<SectionEntry> kTable{Section(0x1000, 0x200, 0x400), Section(0x2000, 0, 0, 0x300),
                                       Section(0x1100, 0x1000, 0x800)};

const ConversionCase kConversions[] = {
    {"HeaderAddressIsItsOwnOffset", kTable, 0x10, 0x10},
    {"NegativeAddressIsItsOwnOffset", kTable, -5, -5},
    {"StartOfSection", kTable, 0x1000, 0x400},
    {"LastByteOfSection", kTable, 0x11FF, 0x5FF},
    {"FirstSectionInTableOrderWins", kTable, 0x1150, 0x550},
    {"LaterOverlappingSection", kTable, 0x1200, 0x900},
    {"VirtualSizeWhenNoRawData", kTable, 0x22FF, 0x22FF},
    {"EarlierSectionBeatsOverlap", kTable, 0x2050, 0x2050},
    {"InNoSection", kTable, 0x2300, 0},
    {"EndOverflowAfterTheMatch",
     {Section(0x1000, 0x100, 0x200), Section(0x7FFFFFF0, 0x100, 0x300)},
     0x1000,
     0x200},
    {"EndOverflowBeforeAnyMatch",
     {Section(0x1000, 0x100, 0x200), Section(0x7FFFFFF0, 0x100, 0x300)},
     0x5000,
     std::nullopt},
    {"OffsetOverflow",
     {Section(0x1000, 0x100, 0x200), Section(0x3000, 0x100, 0x7FFFFFF0)},
     0x30FF,
     std::nullopt},
    {"NegativeSizeHoldsNothing", {Section(0x1000, -16, 0x200)}, 0x1000, 0},
};

class Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, FollowsTheSignedRule) {
    const auto& c = GetParam();
    EXPECT_EQ(RvaToFileOffset(c.sections, c.rva), c.offset);
    EXPECT_EQ(SectionLookup(c.sections).toFileOffset(c.rva), c.offset);
}

INSTANTIATE_TEST_SUITE_P(RvaToFileOffset, Conversion, testing::ValuesIn(kConversions),
                         [](const auto& row) { return row.param.name; });

TEST(SectionLookup, AgreesWithTheLinearRuleOnRandomTables) {
    std::mt19937 random(12345);
    // Small values overlap often; edge values test the overflow stops.
    const int32_t edges[] = {0, 1, -1, 0x7FFFFFF0, INT32_MAX, INT32_MIN, 0x1000, 0x2000};
    auto value = [&](int32_t spread) {
        if (random() % 8 == 0)
            return edges[random() % std::size(edges)];
        return static_cast<int32_t>(random() % static_cast<uint32_t>(spread));
    };
    for (int round = 0; round < 400; ++round) {
        std::vector<SectionEntry> table;
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            table.push_back(Section(value(0x4000), value(0x800), value(0x2000), value(0x800)));
        const SectionLookup lookup(table);
        for (int q = 0; q < 200; ++q) {
            const int32_t rva = value(0x5000);
            ASSERT_EQ(lookup.toFileOffset(rva), RvaToFileOffset(table, rva))
                << "round " << round << " rva " << rva;
        }
    }
}

TEST(SectionTableOffset, AddsSignatureFileHeaderAndSignedOptionalHeaderSize) {
    NtHeaders nt;
    nt.SizeOfOptionalHeader = 0xE0;
    EXPECT_EQ(SectionTableOffset(nt, 0x80), 0x80 + 24 + 0xE0);
    nt.SizeOfOptionalHeader = -0x100;
    EXPECT_EQ(SectionTableOffset(nt, 0x40), 0x40 + 24 - 0x100);
    nt.SizeOfOptionalHeader = 0x7FFF;
    EXPECT_EQ(SectionTableOffset(nt, 0x7FFFFF00), std::nullopt);
}

TEST(ByteReader, ReadsOnlyWhatLiesInside) {
    const std::byte raw[] = {std::byte{0x4D}, std::byte{0x5A}, std::byte{0x01}, std::byte{0x80},
                             std::byte{'a'},  std::byte{'b'},  std::byte{0},    std::byte{'c'}};
    const ByteReader r(raw);
    EXPECT_EQ(r.readU16(0), 0x5A4D);
    EXPECT_EQ(r.readU32(0), 0x80015A4Du);
    EXPECT_EQ(r.readU32(4), 0x63006261u);
    EXPECT_EQ(r.readU32(5), std::nullopt);
    EXPECT_EQ(r.readU16(-1), std::nullopt);
    EXPECT_EQ(r.readU16(INT64_MAX), std::nullopt);
    EXPECT_FALSE(r.bytesAt(1, UINT64_MAX).has_value());
    EXPECT_TRUE(r.bytesAt(8, 0).has_value());
    EXPECT_EQ(r.cString(4, 32), "ab");
    EXPECT_EQ(r.cString(7, 32), "c"); // runs to the end without a NUL
    EXPECT_EQ(r.cString(4, 1), "a");
    EXPECT_EQ(r.cString(8, 32), "");
    EXPECT_EQ(r.cString(-3, 32), "");
}

} // namespace
} // namespace quorvel::pe
