#include "platform/linux/Backends.h"
#include "platform/linux/FileRegistry.h"
#include "regguard/RegistryValues.h"
#include "store/TempFolder.h"

#include <gtest/gtest.h>

namespace quorvel::regguard {
namespace {

using platform::RegRoot;
using quorvel::testing::ReadBytes;
using quorvel::testing::WriteBytes;

constexpr const char* kSystem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegistryValuesTest : public ::testing::Test {
protected:
    std::string UserFile() { return m_temp / "hkcu/HKEY_CURRENT_USER.reg"; }

    quorvel::testing::TempFolder m_temp;
    platform::linux_backend::FileRegistry m_registry{
        {m_temp / "hkcu", m_temp / "hklm", m_temp / "autostart"}};
    std::unique_ptr<platform::AnsiCodec> m_ansi = platform::linux_backend::CreateWindows1252Codec();
};

TEST_F(RegistryValuesTest, DwordsRoundTripAndPersistAsReadableText) {
    for (int32_t value : {0, 1, 2, -1, INT32_MIN, INT32_MAX}) {
        ASSERT_TRUE(
            SetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "DisableTaskMgr", value));
        EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "DisableTaskMgr"), value);
    }
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "DisableTaskMgr", 1));
    EXPECT_EQ(ReadBytes(UserFile()), "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kSystem) +
                                         "]\n\"DisableTaskMgr\"=dword:00000001\n");
    // A fresh registry object, as a new process would have, reads the same.
    platform::linux_backend::FileRegistry again({m_temp / "hkcu", m_temp / "x", m_temp / "y"});
    EXPECT_EQ(GetRegDword(again, RegRoot::CurrentUser, kSystem, "DisableTaskMgr"), 1);
}

TEST_F(RegistryValuesTest, GetOfAMissingValueIsZeroAndCreatesNothing) {
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, "No\\Such\\Key", "Value"), 0);
    EXPECT_FALSE(quorvel::testing::PathExists(m_temp / "hkcu"));
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "A", 5));
    const std::string before = ReadBytes(UserFile());
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "B"), 0);
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, "No\\Such\\Key", "A"), 0);
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::LocalMachine, kSystem, "A"), 0) << "other root";
    EXPECT_EQ(ReadBytes(UserFile()), before);
}

TEST_F(RegistryValuesTest, StringsAreTheirAnsiBytesWithoutNul) {
    ASSERT_TRUE(SetRegString(m_registry, *m_ansi, RegRoot::CurrentUser, kRun, "Quorvel",
                             "C:\\Apps\\app.exe"));
    auto value = m_registry.QueryValue(RegRoot::CurrentUser, kRun, "Quorvel");
    ASSERT_TRUE(value);
    EXPECT_EQ(value.value().type, platform::kRegString);
    EXPECT_EQ(value.value().data.size(), 15u);
    EXPECT_NE(ReadBytes(UserFile()).find("\"Quorvel\"=\"C:\\\\Apps\\\\app.exe\"\n"),
              std::string::npos);

    ASSERT_TRUE(SetRegString(m_registry, *m_ansi, RegRoot::CurrentUser, kRun, "Caf\xC3\xA9",
                             "\xE2\x82\xAC"));
    EXPECT_EQ(m_registry.QueryValue(RegRoot::CurrentUser, kRun, "Caf\xC3\xA9").value().data,
              std::vector<std::byte>{std::byte(0x80)});
    EXPECT_FALSE(
        SetRegString(m_registry, *m_ansi, RegRoot::CurrentUser, kRun, "Snow", "\xE2\x98\x83"))
        << "no Windows-1252 byte for it";
    EXPECT_FALSE(m_registry.QueryValue(RegRoot::CurrentUser, kRun, "Snow"));
}

TEST_F(RegistryValuesTest, TypesAreKeptApart) {
    ASSERT_TRUE(
        SetRegString(m_registry, *m_ansi, RegRoot::CurrentUser, kSystem, "DisableCMD", "1"));
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "DisableCMD"), 0);
    // Applying the window's state replaces it with a REG_DWORD.
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "DisableCMD", 0));
    EXPECT_EQ(m_registry.QueryValue(RegRoot::CurrentUser, kSystem, "DisableCMD").value().type,
              platform::kRegDword);

    // A REG_DWORD too large for the 4-byte buffer reads as 0; a shorter one fills the low bytes.
    const std::byte five[5] = {std::byte(1), {}, {}, {}, {}};
    ASSERT_TRUE(
        m_registry.SetValue(RegRoot::CurrentUser, kSystem, "Long", platform::kRegDword, five));
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "Long"), 0);
    const std::byte two[2] = {std::byte(0x34), std::byte(0x12)};
    ASSERT_TRUE(
        m_registry.SetValue(RegRoot::CurrentUser, kSystem, "Short", platform::kRegDword, two));
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "Short"), 0x1234);
}

TEST_F(RegistryValuesTest, KeyAndValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                            "NoFolderOptions", 1));
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser,
                            "Software\\microsoft\\windows\\currentversion\\policies\\explorer",
                            "RestrictRun", 1));
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser,
                            "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Explorer\\Advanced",
                            "HIDDEN", 2));
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                            "Hidden", 1));
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser,
                          "\\software\\MICROSOFT\\windows\\CurrentVersion\\Explorer\\advanced\\",
                          "hidden"),
              1);
    EXPECT_EQ(
        ReadBytes(UserFile()),
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\n"
        "\"NoFolderOptions\"=dword:00000001\n"
        "\"RestrictRun\"=dword:00000001\n\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced]\n"
        "\"HIDDEN\"=dword:00000001\n");
}

TEST_F(RegistryValuesTest, DeleteRemovesOnlyAnExistingValue) {
    EXPECT_FALSE(DeleteRegValue(m_registry, RegRoot::CurrentUser, kSystem, "None"));
    EXPECT_FALSE(quorvel::testing::PathExists(m_temp / "hkcu")) << "creates no key";
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "A", 1));
    ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "B", 2));
    const std::string before = ReadBytes(UserFile());
    EXPECT_FALSE(DeleteRegValue(m_registry, RegRoot::CurrentUser, kSystem, "None"));
    EXPECT_FALSE(DeleteRegValue(m_registry, RegRoot::CurrentUser, "Other", "A"));
    EXPECT_EQ(ReadBytes(UserFile()), before);
    EXPECT_TRUE(DeleteRegValue(m_registry, RegRoot::CurrentUser, kSystem, "a"));
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "A"), 0);
    EXPECT_EQ(GetRegDword(m_registry, RegRoot::CurrentUser, kSystem, "B"), 2);
}

TEST_F(RegistryValuesTest, RunValueIsAlsoTheLogInAutostartEntry) {
    const std::string entry = m_temp / "autostart/quorvel.desktop";
    ASSERT_TRUE(SetRegString(m_registry, *m_ansi, RegRoot::LocalMachine, kRun, "Quorvel",
                             "/opt/Quorvel 1.5/quorvel"));
    EXPECT_NE(ReadBytes(entry).find("\nExec=\"/opt/Quorvel 1.5/quorvel\"\n"), std::string::npos);
    EXPECT_NE(ReadBytes(entry).find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    // Other values, other keys and the other root leave it alone.
    ASSERT_TRUE(SetRegString(m_registry, *m_ansi, RegRoot::CurrentUser, kRun, "Quorvel", "x"));
    ASSERT_TRUE(SetRegString(m_registry, *m_ansi, RegRoot::LocalMachine, kRun, "Other", "x"));
    EXPECT_TRUE(DeleteRegValue(m_registry, RegRoot::LocalMachine, kRun, "Other"));
    EXPECT_TRUE(quorvel::testing::PathExists(entry));

    EXPECT_TRUE(DeleteRegValue(m_registry, RegRoot::LocalMachine,
                               "software\\microsoft\\windows\\currentversion\\run", "QUORVEL"));
    EXPECT_FALSE(quorvel::testing::PathExists(entry));
    // A stale entry goes when the value is deleted, even if the value was gone already.
    WriteBytes(entry, "stale");
    EXPECT_FALSE(DeleteRegValue(m_registry, RegRoot::LocalMachine, kRun, "Quorvel"));
    EXPECT_FALSE(quorvel::testing::PathExists(entry));
}

TEST_F(RegistryValuesTest, AnUnwritableMachineRootChangesNothingAndTellsNothing) {
    // As for a user without rights on /etc: the folder cannot be made.
    WriteBytes(m_temp / "blocked", "a file, not a folder");
    platform::linux_backend::FileRegistry user(
        {m_temp / "hkcu", m_temp / "blocked/quorvel", m_temp / "autostart"});
    EXPECT_FALSE(SetRegString(user, *m_ansi, RegRoot::LocalMachine, kRun, "Quorvel", "/bin/q"));
    EXPECT_FALSE(quorvel::testing::PathExists(m_temp / "autostart/quorvel.desktop"));
    EXPECT_EQ(GetRegDword(user, RegRoot::LocalMachine, kRun, "Quorvel"), 0);
}

TEST_F(RegistryValuesTest, AUsersOwnAutostartEntryFollowsTheRequestAlone) {
    // A normal user: the machine root is out of reach, the entry is in the user's folders,
    // whose parents a new account may not have yet.
    WriteBytes(m_temp / "blocked", "a file, not a folder");
    const std::string entry = m_temp / "home/.config/autostart/quorvel.desktop";
    platform::linux_backend::FileRegistry user(
        {m_temp / "hkcu", m_temp / "blocked/quorvel", m_temp / "home/.config/autostart", true});
    EXPECT_FALSE(SetRegString(user, *m_ansi, RegRoot::LocalMachine, kRun, "Quorvel", "/bin/q"));
    EXPECT_NE(ReadBytes(entry).find("\nExec=/bin/q\n"), std::string::npos);
    EXPECT_FALSE(DeleteRegValue(user, RegRoot::LocalMachine, kRun, "Quorvel"));
    EXPECT_FALSE(quorvel::testing::PathExists(entry));
    EXPECT_TRUE(quorvel::testing::PathExists(m_temp / "home/.config/autostart"));
}

} // namespace
} // namespace quorvel::regguard
