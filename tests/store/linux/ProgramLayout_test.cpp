#include "platform/linux/Backends.h"
#include "store/ProgramLayout.h"
#include "store/TempFolder.h"
#include "store/UserFolders.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace quorvel::store {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

// The program's folder and its environment, as the test sets them.
class TestShell final : public platform::Shell {
public:
    platform::Status Execute(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string ExecutablePath() override { return programFolder + "/quorvel"; }
    std::string ProgramFolder() override { return programFolder; }
    std::string EnvironmentVariable(const std::string& name) override {
        const auto found = environment.find(name);
        return found == environment.end() ? std::string() : found->second;
    }
    std::string ShortDateText(std::chrono::system_clock::time_point) override { return {}; }
    std::string TimeText(std::chrono::system_clock::time_point) override { return {}; }
    bool Is64BitMachine() override { return true; }

    std::string programFolder;
    std::map<std::string, std::string> environment;
};

struct DownloadEntryCase {
    const char* name;
    std::string text;
    std::optional<std::string> expected;
};

class DownloadEntryTest : public ::testing::TestWithParam<DownloadEntryCase> {};

TEST_P(DownloadEntryTest, ReadsTheDownloadEntry) {
    EXPECT_EQ(ParseUserDirsEntry(GetParam().text, "XDG_DOWNLOAD_DIR", "/home/ann"),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DownloadEntryTest,
    ::testing::Values(
        DownloadEntryCase{"HomeRelative",
                          "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                          "XDG_DOWNLOAD_DIR=\"$HOME/Unduhan\"\n",
                          "/home/ann/Unduhan"},
        DownloadEntryCase{"Absolute", "XDG_DOWNLOAD_DIR=\"/srv/get\"\r\n", "/srv/get"},
        DownloadEntryCase{"HomeItself", "XDG_DOWNLOAD_DIR=\"$HOME\"", "/home/ann"},
        DownloadEntryCase{"LaterLineWins", "XDG_DOWNLOAD_DIR=\"/a\"\nXDG_DOWNLOAD_DIR=\"/b\"\n",
                          "/b"},
        DownloadEntryCase{"RelativeIsIgnored", "XDG_DOWNLOAD_DIR=\"Downloads\"\n", std::nullopt},
        DownloadEntryCase{"OtherVariableInHome", "XDG_DOWNLOAD_DIR=\"$HOMEDIR/x\"\n", std::nullopt},
        DownloadEntryCase{"LongerKeyIsAnotherKey", "XDG_DOWNLOAD_DIRS=\"/x\"\n", std::nullopt},
        DownloadEntryCase{"NoEntry", "XDG_MUSIC_DIR=\"$HOME/Music\"\n", std::nullopt},
        DownloadEntryCase{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// A home folder, a program folder and the shared defaults, all in a temporary folder laid
// out as a package installs them: prefix/bin/quorvel and prefix/share/quorvel/Data.
class ProgramLayoutTest : public ::testing::Test {
protected:
    ProgramLayoutTest() {
        std::filesystem::create_directories(m_temp / "usr/bin");
        std::filesystem::create_directories(m_temp / "usr/share/quorvel/Data");
        std::filesystem::create_directories(m_temp / "home");
        WriteBytes(m_defaults + "/whitelist.db", "kenal|explorer.exe\r\n");
        WriteBytes(m_defaults + "/blacklist.db", "kenal|bad.exe\r\n");
        WriteBytes(m_defaults + "/main.ini", "[QUORVEL]\r001-0\r002-0\r003-0\r004-0\r005-0\r");
        WriteBytes(m_defaults + "/set.db", "\xB4\xC9\xD0\xD3\xD6\r\n");
        m_shell.programFolder = m_temp / "usr/bin";
        m_shell.environment["HOME"] = m_home;
    }

    ProgramLayout Layout() { return FindProgramLayout(m_shell, *m_files); }

    testing::TempFolder m_temp;
    std::string m_home = m_temp / "home";
    std::string m_defaults = m_temp / "usr/share/quorvel/Data";
    TestShell m_shell;
    std::unique_ptr<platform::Files> m_files = platform::linux_backend::CreatePosixFiles();
};

TEST_F(ProgramLayoutTest, BaseFoldersFollowTheEnvironment) {
    EXPECT_EQ(ConfigHome(m_shell), m_home + "/.config");
    EXPECT_EQ(CacheHome(m_shell), m_home + "/.cache");
    m_shell.environment["XDG_CONFIG_HOME"] = "/etc/ann";
    m_shell.environment["XDG_CACHE_HOME"] = "/var/cache/ann";
    EXPECT_EQ(ConfigHome(m_shell), "/etc/ann");
    EXPECT_EQ(CacheHome(m_shell), "/var/cache/ann");
    // Relative values are invalid by the conventions and fall back to the home folder.
    m_shell.environment["XDG_CONFIG_HOME"] = "conf";
    m_shell.environment["HOME"] = m_home + "//";
    EXPECT_EQ(ConfigHome(m_shell), m_home + "/.config");
    m_shell.environment.erase("HOME");
    EXPECT_EQ(ConfigHome(m_shell), "");
    EXPECT_EQ(DownloadFolder(m_shell, *m_files), "");
}

TEST_F(ProgramLayoutTest, DownloadFolderComesFromTheUserDirsFileThenTheHome) {
    EXPECT_EQ(DownloadFolder(m_shell, *m_files), m_home);
    std::filesystem::create_directories(m_home + "/Downloads");
    EXPECT_EQ(DownloadFolder(m_shell, *m_files), m_home + "/Downloads");
    std::filesystem::create_directories(m_home + "/.config");
    WriteBytes(m_home + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Unduhan\"\n");
    EXPECT_EQ(DownloadFolder(m_shell, *m_files), m_home + "/Unduhan");
    m_shell.environment["XDG_DOWNLOAD_DIR"] = "/srv/get";
    EXPECT_EQ(DownloadFolder(m_shell, *m_files), "/srv/get");
}

TEST_F(ProgramLayoutTest, ADataFolderBesideTheExecutableKeepsEverythingThere) {
    const std::string bin = m_temp / "usr/bin";
    std::filesystem::create_directories(bin + "/Data");
    const ProgramLayout layout = Layout();
    EXPECT_FALSE(layout.installed);
    EXPECT_EQ(layout.dataFolder, bin + "/Data");
    EXPECT_EQ(layout.data().mainIniPath(), bin + "/Data/main.ini");
    EXPECT_EQ(layout.clamAvFolder, bin + "/ClamAV");
    EXPECT_EQ(layout.scanFolder, bin);
    EXPECT_EQ(layout.scanReportPath(), bin + "/clamreport.txt");
    EXPECT_EQ(layout.downloadPath("Quorvel.rar"), bin + "/Quorvel.rar");

    // Nothing is made in the user's folders.
    ASSERT_TRUE(PrepareUserFolders(*m_files, layout));
    EXPECT_TRUE(std::filesystem::is_empty(m_home));
}

TEST_F(ProgramLayoutTest, WithoutADataFolderBesideItTheUsersFoldersServe) {
    m_shell.environment["XDG_CACHE_HOME"] = m_temp / "cache";
    const ProgramLayout layout = Layout();
    EXPECT_TRUE(layout.installed);
    EXPECT_EQ(layout.dataFolder, m_home + "/.config/quorvel/Data");
    EXPECT_EQ(layout.defaultDataFolder, m_defaults);
    EXPECT_EQ(layout.clamAvFolder, m_temp / "usr/share/quorvel/ClamAV");
    EXPECT_EQ(layout.scanReportPath(), m_temp / "cache/quorvel/clamreport.txt");
    EXPECT_EQ(layout.downloadFolder, m_home);

    // Without a home folder there is nowhere else: the folder beside the program.
    m_shell.environment.clear();
    EXPECT_FALSE(Layout().installed);
}

TEST_F(ProgramLayoutTest, TheFirstStartSeedsTheUsersDataAndNeverOverwritesIt) {
    const ProgramLayout layout = Layout();
    ASSERT_TRUE(PrepareUserFolders(*m_files, layout));
    const DataFolder mine = layout.data();
    for (const char* name : {"whitelist.db", "blacklist.db", "main.ini", "set.db"})
        EXPECT_EQ(ReadBytes(mine.file(name)), ReadBytes(m_defaults + "/" + name)) << name;
    EXPECT_TRUE(std::filesystem::is_directory(layout.scanFolder));
    // The settings and the password are the user's alone.
    const auto mode = std::filesystem::status(m_home + "/.config/quorvel").permissions();
    EXPECT_EQ(mode & std::filesystem::perms::others_all, std::filesystem::perms::none);

    // The user's edits survive every later start; a file the user lost comes back.
    WriteBytes(mine.whitelistPath(), "kenal|mine.exe\r\n");
    std::filesystem::remove(mine.setDbPath());
    WriteBytes(m_defaults + "/main.ini", "[QUORVEL]\r001-1\r");
    ASSERT_TRUE(PrepareUserFolders(*m_files, layout));
    EXPECT_EQ(ReadBytes(mine.whitelistPath()), "kenal|mine.exe\r\n");
    EXPECT_EQ(ReadBytes(mine.mainIniPath()), "[QUORVEL]\r001-0\r002-0\r003-0\r004-0\r005-0\r");
    EXPECT_EQ(ReadBytes(mine.setDbPath()), "\xB4\xC9\xD0\xD3\xD6\r\n");
    // The shared defaults are only read.
    EXPECT_EQ(ReadBytes(m_defaults + "/whitelist.db"), "kenal|explorer.exe\r\n");
}

TEST_F(ProgramLayoutTest, MissingDefaultsLeaveTheProgramToStartWithout) {
    std::filesystem::remove(m_defaults + "/blacklist.db");
    const ProgramLayout layout = Layout();
    ASSERT_TRUE(PrepareUserFolders(*m_files, layout));
    EXPECT_FALSE(PathExists(layout.data().blacklistPath()));
    EXPECT_TRUE(PathExists(layout.data().whitelistPath()));
}

TEST_F(ProgramLayoutTest, AFolderThatCannotBeMadeIsToldAndTheRestStillRuns) {
    // ~/.config is a file: the Data folder cannot be made there, the cache folder can.
    WriteBytes(m_home + "/.config", "not a folder");
    const ProgramLayout layout = Layout();
    const auto prepared = PrepareUserFolders(*m_files, layout);
    ASSERT_FALSE(prepared);
    EXPECT_NE(prepared.error().message.find(".config"), std::string::npos)
        << prepared.error().message;
    EXPECT_TRUE(std::filesystem::is_directory(layout.scanFolder));
    EXPECT_EQ(ReadBytes(m_home + "/.config"), "not a folder");
}

} // namespace
} // namespace quorvel::store
