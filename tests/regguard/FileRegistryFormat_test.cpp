#include "platform/linux/AutostartEntry.h"
#include "platform/linux/FileRegistryFormat.h"

#include <gtest/gtest.h>

namespace quorvel::platform::linux_backend {
namespace {

using namespace std::literals;

std::vector<std::byte> Bytes(std::string_view text) {
    const auto* first = reinterpret_cast<const std::byte*>(text.data());
    return {first, first + text.size()};
}

struct ValueCase {
    const char* name;
    FileRegistryValue value;
    std::string line; // as the file shows it
};

class FileRegistryValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FileRegistryValueTest, WritesReadableLinesThatReadBackExactly) {
    FileRegistryDocument document;
    document.CreateKey("Software\\Test").values.push_back(GetParam().value);
    const std::string text = SerializeFileRegistry(document, "HKEY_CURRENT_USER");
    EXPECT_EQ(text, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Test]\n" + GetParam().line + "\n");

    const auto parsed = ParseFileRegistry(text, "HKEY_CURRENT_USER");
    EXPECT_TRUE(parsed.problems.empty());
    ASSERT_EQ(parsed.document.keys.size(), 1u);
    ASSERT_EQ(parsed.document.keys[0].values.size(), 1u);
    const auto& back = parsed.document.keys[0].values[0];
    EXPECT_EQ(back.name, GetParam().value.name);
    EXPECT_EQ(back.type, GetParam().value.type);
    EXPECT_EQ(back.data, GetParam().value.data);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FileRegistryValueTest,
    ::testing::Values(
        ValueCase{"dword",
                  {"DisableTaskMgr", kRegDword, Bytes("\x01\0\0\0"sv)},
                  "\"DisableTaskMgr\"=dword:00000001"},
        ValueCase{
            "dword_high_bit", {"D", kRegDword, Bytes("\xff\xfe\xfd\xfc")}, "\"D\"=dword:fcfdfeff"},
        ValueCase{"short_dword_kept_as_bytes", {"D", kRegDword, Bytes("\x07")}, "\"D\"=hex(4):07"},
        ValueCase{"windows_path",
                  {"Quorvel", kRegString, Bytes("C:\\Apps\\app.exe")},
                  "\"Quorvel\"=\"C:\\\\Apps\\\\app.exe\""},
        ValueCase{"quotes_and_ansi",
                  {"Say \"hi\"", kRegString, Bytes("caf\xE9 \x80")},
                  "\"Say \\\"hi\\\"\"=\"caf\xC3\xA9 \xE2\x82\xAC\""},
        ValueCase{"empty_string", {"E", kRegString, {}}, "\"E\"=\"\""},
        ValueCase{"default_value", {"", kRegString, Bytes("d")}, "@=\"d\""},
        ValueCase{
            "string_with_line_end", {"S", kRegString, Bytes("a\r\nb")}, "\"S\"=hex(1):61,0d,0a,62"},
        ValueCase{"string_with_nul", {"S", kRegString, Bytes("a\0"sv)}, "\"S\"=hex(1):61,00"},
        ValueCase{"undefined_ansi_byte", {"S", kRegString, Bytes("\x81")}, "\"S\"=hex(1):81"},
        ValueCase{"binary", {"B", 3, Bytes("\x00\xff"sv)}, "\"B\"=hex(3):00,ff"},
        ValueCase{"none", {"N", kRegNone, {}}, "\"N\"=hex(0):"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FileRegistryParseTest, ToleratesHandEdits) {
    const std::string text = "REGEDIT4\r\n"
                             "; a note\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                             "\"One\" = DWORD:0000000A\r\n"
                             "\"Bin\"=hex:01,02,\\\r\n"
                             "  03\r\n"
                             "\"Broken\"=dword:xyz\r\n"
                             "stray text\r\n"
                             "\"Snow\"=\"\xE2\x98\x83\"\r\n"
                             "[HKEY_LOCAL_MACHINE\\Elsewhere]\r\n"
                             "\"Foreign\"=dword:00000001\r\n"
                             "[hkey_current_user\\software\\a]\r\n"
                             "\"one\"=dword:0000000b\r\n"
                             "[HKEY_CURRENT_USER]\r\n"
                             "@=\"root default\"\r\n";
    const auto parsed = ParseFileRegistry(text, "HKEY_CURRENT_USER");
    EXPECT_TRUE(parsed.sawHeader);
    EXPECT_EQ(parsed.problems, (std::vector<std::string>{"\"Broken\"=dword:xyz", "stray text",
                                                         "\"Snow\"=\"\xE2\x98\x83\"",
                                                         "[HKEY_LOCAL_MACHINE\\Elsewhere]"}));
    auto document = parsed.document;
    ASSERT_EQ(document.keys.size(), 2u);
    auto* a = document.FindKey("SOFTWARE\\a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->path, "Software\\A");
    ASSERT_EQ(a->values.size(), 2u);
    EXPECT_EQ(a->FindValue("ONE")->data, Bytes("\x0b\0\0\0"sv)) << "a later line wins";
    EXPECT_EQ(a->FindValue("Bin")->type, 3u);
    EXPECT_EQ(a->FindValue("Bin")->data, Bytes("\x01\x02\x03"));
    EXPECT_EQ(document.FindKey("")->values.at(0).data, Bytes("root default"));
}

TEST(FileRegistryParseTest, NewKeysBorrowTheSpellingOfTheirRelatives) {
    FileRegistryDocument document;
    document.CreateKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");
    EXPECT_EQ(document.CreateKey("Software\\microsoft\\Other").path, "SOFTWARE\\Microsoft\\Other");
    EXPECT_EQ(document.CreateKey("\\\\New\\\\Key\\").path, "New\\Key");
    EXPECT_EQ(&document.CreateKey("new\\KEY"), &document.keys.back());
    EXPECT_EQ(document.keys.size(), 3u);
}

struct ExecCase {
    const char* name;
    std::string program;
    std::string exec;
};

class DesktopExecTest : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExecTest, QuotesAndEscapesAsDesktopEntriesWant) {
    EXPECT_EQ(DesktopExecValue(GetParam().program), GetParam().exec);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopExecTest,
    ::testing::Values(ExecCase{"plain", "/usr/bin/quorvel", "/usr/bin/quorvel"},
                      ExecCase{"space", "/opt/my app/q", "\"/opt/my app/q\""},
                      ExecCase{"percent", "/opt/100%/q", "/opt/100%%/q"},
                      ExecCase{"dollar_and_quote", "/o/$x\"y", "\"/o/\\\\$x\\\\\"y\""},
                      ExecCase{"backslash", "C:\\q.exe", "\"C:\\\\\\\\q.exe\""}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::platform::linux_backend
