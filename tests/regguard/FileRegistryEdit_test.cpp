// Writes to a hand-edited registry file change the value's own line and nothing else.
#include "platform/linux/FileRegistry.h"
#include "platform/linux/FileRegistryFormat.h"
#include "store/TempFolder.h"

#include <gtest/gtest.h>

namespace quorvel::platform::linux_backend {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::WriteBytes;

constexpr const char* kRoot = "HKEY_CURRENT_USER";

std::vector<std::byte> Dword(uint32_t v) {
    return {std::byte(v & 0xFF), std::byte(v >> 8 & 0xFF), std::byte(v >> 16 & 0xFF),
            std::byte(v >> 24)};
}

// Comments, a continued hex list, lines the parser cannot read, another root's section,
// CR LF line ends and a last line without any.
const std::string kHandEdited = "REGEDIT4\r\n"
                                "; my own note\r\n"
                                "\r\n"
                                "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                                "\"One\" = DWORD:0000000A   \r\n"
                                "\"Bin\"=hex:01,02,\\\r\n"
                                "  03\r\n"
                                "\"Later\"=future:format\r\n"
                                "stray text\r\n"
                                "[HKEY_LOCAL_MACHINE\\Elsewhere]\r\n"
                                "\"One\"=dword:00000001\r\n"
                                "[HKEY_CURRENT_USER\\Software\\B]\r\n"
                                "\"Two\"=dword:00000002";

struct EditCase {
    const char* name;
    FileRegistryEdit edit;
    std::string expected;
};

class FileRegistryEditTest : public ::testing::TestWithParam<EditCase> {};

// Before, every write serialised the whole document: the note, "Later", "stray text" and the
// other root's section were gone and every line end became LF.
TEST_P(FileRegistryEditTest, ChangesOnlyTheValuesLine) {
    const auto& row = GetParam();
    auto edited = EditFileRegistryText(kHandEdited, kRoot, row.edit);
    ASSERT_TRUE(edited) << edited.error().message;
    EXPECT_EQ(edited.value(), row.expected);

    auto model = ParseFileRegistry(kHandEdited, kRoot).document;
    ASSERT_TRUE(ApplyFileRegistryEdit(model, row.edit));
    const auto reread = ParseFileRegistry(edited.value(), kRoot).document;
    ASSERT_EQ(reread.keys.size(), model.keys.size());
    for (size_t k = 0; k < model.keys.size(); ++k) {
        EXPECT_EQ(reread.keys[k].path, model.keys[k].path);
        ASSERT_EQ(reread.keys[k].values.size(), model.keys[k].values.size());
        for (size_t v = 0; v < model.keys[k].values.size(); ++v) {
            EXPECT_EQ(reread.keys[k].values[v].name, model.keys[k].values[v].name);
            EXPECT_EQ(reread.keys[k].values[v].data, model.keys[k].values[v].data);
        }
    }
}

std::string Replaced(std::string_view from, std::string_view to) {
    std::string text = kHandEdited;
    text.replace(text.find(from), from.size(), to);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, FileRegistryEditTest,
    ::testing::Values(
        EditCase{"set_existing_keeps_the_files_spelling",
                 {"software\\a", "ONE", FileRegistryValue{"", kRegDword, Dword(7)}},
                 Replaced("\"One\" = DWORD:0000000A   \r\n", "\"One\"=dword:00000007\r\n")},
        EditCase{"set_continued_hex_list",
                 {"Software\\A", "Bin", FileRegistryValue{"", kRegDword, Dword(1)}},
                 Replaced("\"Bin\"=hex:01,02,\\\r\n  03\r\n", "\"Bin\"=dword:00000001\r\n")},
        EditCase{"new_value_after_the_keys_last",
                 {"Software\\A", "New", FileRegistryValue{"", kRegDword, Dword(3)}},
                 Replaced("  03\r\n", "  03\r\n\"New\"=dword:00000003\r\n")},
        EditCase{"new_value_after_a_last_line_without_line_end",
                 {"Software\\B", "Three", FileRegistryValue{"", kRegDword, Dword(3)}},
                 kHandEdited + "\n\"Three\"=dword:00000003\n"},
        EditCase{"new_key_at_the_end",
                 {"Software\\C", "", FileRegistryValue{"", kRegString, {std::byte{'x'}}}},
                 kHandEdited + "\n\n[HKEY_CURRENT_USER\\Software\\C]\n@=\"x\"\n"},
        EditCase{"delete_removes_only_that_line",
                 {"Software\\A", "One", std::nullopt},
                 Replaced("\"One\" = DWORD:0000000A   \r\n", "")}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FileRegistryEdit, MissingOrBlankFileStartsWithTheHeader) {
    const FileRegistryEdit edit{"K", "V", FileRegistryValue{"", kRegDword, Dword(1)}};
    for (const std::string text : {"", "\n\n"}) {
        auto edited = EditFileRegistryText(text, kRoot, edit);
        ASSERT_TRUE(edited);
        EXPECT_EQ(edited.value(),
                  "REGEDIT4\n" + text + "\n[HKEY_CURRENT_USER\\K]\n\"V\"=dword:00000001\n");
    }
}

TEST(FileRegistryEdit, DeletingWhatIsNotThereIsNotFound) {
    for (const auto& [key, name] : {std::pair{"Software\\A", "None"}, {"Nowhere", "One"}}) {
        auto edited = EditFileRegistryText(kHandEdited, kRoot, {key, name, std::nullopt});
        ASSERT_FALSE(edited);
        EXPECT_EQ(edited.error().code, Errc::NotFound);
    }
}

// A file that is no registry file at all is never overwritten: the write fails instead.
TEST(FileRegistryEdit, UnparseableFileIsLeftAsItIs) {
    quorvel::testing::TempFolder temp;
    FileRegistry registry({temp / "hkcu", temp / "hklm", temp / "autostart"});
    std::filesystem::create_directories(temp / "hkcu");
    const std::string file = registry.FileOf(RegRoot::CurrentUser);
    const std::string notes = "my shopping list\nmilk\n";
    WriteBytes(file, notes);
    const auto data = Dword(1);
    auto written = registry.SetValue(RegRoot::CurrentUser, "K", "V", kRegDword, data);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().code, Errc::InvalidArgument);
    EXPECT_NE(written.error().message.find(file), std::string::npos) << written.error().message;
    EXPECT_EQ(ReadBytes(file), notes);

    // A hand-edited one keeps every line it does not own.
    WriteBytes(file, kHandEdited);
    ASSERT_TRUE(registry.SetValue(RegRoot::CurrentUser, "Software\\A", "One", kRegDword, data));
    EXPECT_EQ(ReadBytes(file),
              Replaced("\"One\" = DWORD:0000000A   \r\n", "\"One\"=dword:00000001\r\n"));
}

} // namespace
} // namespace quorvel::platform::linux_backend
