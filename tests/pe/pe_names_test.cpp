// Number forms, name tables and name decoding of the report.
#include "pe/AnsiName.h"
#include "pe/PeNames.h"
#include "pe/ReportText.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::pe {
namespace {

TEST(ReportText, HexIsUpperCaseWithoutLeadingZerosOfTheFieldsWidth) {
    const struct {
        int32_t value;
        const char* hex;
    } rows32[] = {{0, "0"},
                  {0x14C, "14C"},
                  {0x0ABCDEF0, "ABCDEF0"},
                  {-1, "FFFFFFFF"},
                  {INT32_MIN, "80000000"}};
    for (const auto& row : rows32) {
        std::string text;
        AppendHex(text, row.value);
        EXPECT_EQ(text, row.hex);
    }
    std::string text16;
    AppendHex(text16, int16_t{-1});
    text16 += ' ';
    AppendHex(text16, int16_t{0x5A4D});
    EXPECT_EQ(text16, "FFFF 5A4D");
}

TEST(ReportText, DecimalIsSignedWithoutLeadingBlank) {
    std::string text;
    for (int64_t v : {int64_t{0}, int64_t{-5}, int64_t{INT32_MAX}, int64_t{INT32_MIN}}) {
        AppendDecimal(text, v);
        text += '|';
    }
    EXPECT_EQ(text, "0|-5|2147483647|-2147483648|");
}

TEST(ReportText, LinesEndInCrLfAndNamesStopAtTheirNul) {
    std::string text;
    AppendReportLine(text, "a");
    AppendReportLine(text, "");
    EXPECT_EQ(text, "a\r\n\r\n");
    EXPECT_EQ(CutAtNul(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(CutAtNul("abc"), "abc");
    EXPECT_EQ(CutAtNul(std::string_view("\0", 1)), "");
}

TEST(PeNames, TablesNameKnownValuesAndLeaveOthersEmpty) {
    const struct {
        std::string_view (*table)(int16_t);
        int16_t value;
        std::string_view name;
    } rows[] = {
        {MachineName, 0x0, "MACHINE_UNKNOWN"},
        {MachineName, 0x14C, "MACHINE_I386"},
        {MachineName, 0x169, "MACHINE_WCEMIPSV2"},
        {MachineName, 0x466, "MACHINE_MIPSFPU16"},
        {MachineName, static_cast<int16_t>(0x8664), ""},
        {MagicName, 0x107, "ROM_OPTIONAL_HDR_MAGIC"},
        {MagicName, 0x10B, "NT_OPTIONAL_HDR32_MAGIC"},
        {MagicName, 0x20B, "NT_OPTIONAL_HDR64_MAGIC"},
        {MagicName, 0x10C, ""},
        {SubsystemName, 2, "SUBSYSTEM_WINDOWS_GUI"},
        {SubsystemName, 3, "SUBSYSTEM_WINDOWS_CONSOLE"},
        {SubsystemName, 4, ""},
        {SubsystemName, 6, ""},
        {SubsystemName, 8, "SUBSYSTEM_NATIVE_DRIVER_WINDOWS"},
        {SubsystemName, 9, "WINDOWS_CE_GUI"},
        {SubsystemName, -1, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.table(row.value), row.name) << row.value;
}

TEST(PeNames, SectionFlagsNameOnlyTheLastContentFlag) {
    const struct {
        uint32_t flags;
        const char* text;
    } rows[] = {
        {0x60000020, "SECTION_CODE + EXECUTABLE + READABLE"},
        {0xE0000060, "SECTION_INITIALIZED_DATA + EXECUTABLE + READABLE + WRITABLE"},
        {0xE0000080, "SECTION_UNINITIALIZED_DATA + EXECUTABLE + READABLE + WRITABLE"},
        {0x400000E0, "SECTION_UNINITIALIZED_DATA + READABLE"},
        {0x40000000, " + READABLE"},
        {0xF0000000, " + SHAREABLE + EXECUTABLE + READABLE + WRITABLE"},
        {0x00000000, ""},
        {0x00100020, "SECTION_CODE"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SectionFlagsText(static_cast<int32_t>(row.flags)), row.text) << row.flags;
}

TEST(AnsiName, DecodesWindows1252AndUpperCasesItsLetters) {
    std::string text;
    AppendAnsiName(text, "k\xE9y\x80\x81\x9F\xFF");
    EXPECT_EQ(text, "k\u00E9y\u20AC\u0081\u0178\u00FF");
    text.clear();
    AppendAnsiNameUpper(text, "kernel32.dll \xE9\xFF\x9A\x9C\xF7\xDF");
    EXPECT_EQ(text, "KERNEL32.DLL \u00C9\u0178\u0160\u0152\u00F7\u00DF");
}

} // namespace
} // namespace quorvel::pe
