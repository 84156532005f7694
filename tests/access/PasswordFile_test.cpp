#include "access/PasswordFile.h"
#include "store/NativeFiles.h"
#include "store/TempFolder.h"

#include <gmock/gmock.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <gtest/gtest.h>

namespace quorvel::access {
namespace {

using store::Message;
using store::MessageIcon;
using ::testing::HasSubstr;
using testing::ReadBytes;
using testing::WriteBytes;

const Message kWrong{"Wrong Password,please contact your Administrator",
                     "Quorvel | Proctet and Defend", MessageIcon::Warning};

class PasswordFileTest : public testing::NativeFilesTest {
protected:
    PasswordFile Make(const std::string& path) { return PasswordFile(files(), ansi(), path); }
    testing::TempFolder m_temp;
    std::string m_path = m_temp / "set.db";
};

TEST_F(PasswordFileTest, ShippedPasswordIsPelor) {
    PasswordFile shipped = Make(std::string(QUORVEL_DATA) + "/set.db");
    EXPECT_EQ(shipped.ExpectedPassword(), "Pelor");
    EXPECT_TRUE(shipped.Continue("Pelor").accepted);
    EXPECT_EQ(ReadBytes(std::string(QUORVEL_DATA) + "/set.db"), "\xB4\xC9\xD0\xD3\xD6\r\n");
}

TEST_F(PasswordFileTest, ContinueComparesExactly) {
    WriteBytes(m_path, "\xB4\xC9\xD0\xD3\xD6\r\nsecond line ignored\r\n");
    PasswordFile file = Make(m_path);
    const LoginOutcome right = file.Continue("Pelor");
    EXPECT_TRUE(right.accepted);
    EXPECT_FALSE(right.message);
    for (const std::string typed : {"pelor", "PELOR", "Pelor ", "", "Pelo"}) {
        const LoginOutcome wrong = file.Continue(typed);
        EXPECT_FALSE(wrong.accepted) << typed;
        EXPECT_EQ(wrong.message, kWrong) << typed;
    }
}

TEST_F(PasswordFileTest, MissingOrEmptyFileExpectsAnEmptyPassword) {
    for (const bool exists : {false, true}) {
        if (exists)
            WriteBytes(m_path, "");
        PasswordFile file = Make(m_path);
        EXPECT_TRUE(file.Continue("").accepted);
        EXPECT_FALSE(file.Continue("Pelor").accepted);
    }
}

TEST_F(PasswordFileTest, ChangeNowStoresTheEncodedLineAndConfirms) {
    PasswordFile file = Make(m_path);
    const ChangeOutcome changed = file.ChangeNow("New pass 42!");
    EXPECT_TRUE(changed.saved);
    EXPECT_EQ(changed.message,
              (Message{"Password has been saved \r\nYour current password is : New pass 42!",
                       "Quorvel | Protect and Defend", MessageIcon::Information}));
    EXPECT_EQ(ReadBytes(m_path), "\xB2\xC9\xDB \xD4\xC5\xD7\xD7 \x98\x96!\r\n");
    EXPECT_TRUE(file.Continue("New pass 42!").accepted);
    EXPECT_FALSE(file.Continue("new pass 42!").accepted);

    // A Windows-1252 letter outside the substituted ranges is kept as its one byte.
    ASSERT_TRUE(file.ChangeNow("caf\xC3\xA9").saved);
    EXPECT_EQ(ReadBytes(m_path), "\xC7\xC5\xCA\xE9\r\n");
    EXPECT_TRUE(file.Continue("caf\xC3\xA9").accepted);
}

TEST_F(PasswordFileTest, ChangeNowRefusesWhatItCannotStore) {
    WriteBytes(m_path, "\xB4\xC9\xD0\xD3\xD6\r\n");
    PasswordFile file = Make(m_path);
    struct {
        const char* name;
        std::string text;
        const char* says;
    } refusals[] = {{"empty", "", "The Password can't be empty"},
                    {"sixteen_characters", "0123456789abcdef", "longer than 15"},
                    {"outside_the_code_page", "snow\xE2\x98\x83", "can't be saved"}};
    for (const auto& row : refusals) {
        const ChangeOutcome refused = file.ChangeNow(row.text);
        EXPECT_FALSE(refused.saved) << row.name;
        EXPECT_EQ(refused.message.title, "Warning") << row.name;
        EXPECT_EQ(refused.message.icon, MessageIcon::Warning) << row.name;
        EXPECT_THAT(refused.message.text, HasSubstr(row.says)) << row.name;
    }
    EXPECT_EQ(ReadBytes(m_path), "\xB4\xC9\xD0\xD3\xD6\r\n");
    // Fifteen characters, counted as characters and not as UTF-8 bytes, are fine.
    EXPECT_TRUE(file.ChangeNow("\xC3\xA9" + std::string(14, 'x')).saved);
}

TEST_F(PasswordFileTest, ChangeNowThatCannotWriteSaysSoAndKeepsTheOldPassword) {
    struct {
        const char* name;
        std::string path;
    } places[] = {{"data_folder_missing", m_temp / "Data/set.db"},
                  {"no_room_for_the_temporary_file", m_temp / std::string(250, 's')}};
    for (const auto& row : places) {
        WriteBytes(row.path, "\xB4\xC9\xD0\xD3\xD6\r\n");
        PasswordFile file = Make(row.path);
        const ChangeOutcome failed = file.ChangeNow("other");
        EXPECT_FALSE(failed.saved) << row.name;
        EXPECT_EQ(failed.message.icon, MessageIcon::Critical) << row.name;
        EXPECT_THAT(failed.message.text, HasSubstr("not saved")) << row.name;
        EXPECT_THAT(failed.message.text, ::testing::Not(HasSubstr("has been saved")));
        EXPECT_TRUE(file.Continue(testing::PathExists(row.path) ? "Pelor" : "").accepted)
            << row.name;
    }
}

#ifndef _WIN32
// Before, a FIFO in place of set.db blocked the login prompt forever.
TEST_F(PasswordFileTest, FifoInPlaceOfTheFileReadsAsMissingAndIsNeverReplaced) {
    ASSERT_EQ(::mkfifo(m_path.c_str(), 0600), 0);
    PasswordFile file = Make(m_path);
    EXPECT_EQ(file.ExpectedPassword(), "");
    EXPECT_EQ(file.ChangeNow("other").message.icon, MessageIcon::Critical);
    struct stat info {};
    ASSERT_EQ(::lstat(m_path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}
#endif

} // namespace
} // namespace quorvel::access
