#include "store/NativeFiles.h"
#include "store/ProgramLayout.h"
#include "store/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace quorvel::store {
namespace {

// The program's folder and the user's environment, as the test sets them.
class WindowsShell final : public platform::Shell {
public:
    platform::Status Execute(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string ExecutablePath() override { return programFolder + "\\quorvel.exe"; }
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

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Only a Windows files backend separates with a backslash: the test runs under Wine.
class WindowsLayoutTest : public testing::NativeFilesTest {
protected:
    void SetUp() override {
        NativeFilesTest::SetUp();
        if (files().PathSeparator() != '\\')
            GTEST_SKIP() << "the Windows layout needs the Windows files backend";
        std::filesystem::create_directories(m_temp.path() / "Program" / "Defaults");
        std::filesystem::create_directories(m_temp.path() / "Roaming");
        shell.programFolder = m_temp / "Program";
        shell.environment["APPDATA"] = m_temp / "Roaming";
        Write(m_temp / "Program\\Defaults\\whitelist.db", "kenal|explorer.exe\r\n");
        Write(m_temp / "Program\\Defaults\\set.db", "default password\r\n");
    }
    testing::TempFolder m_temp;
    WindowsShell shell;
};

TEST_F(WindowsLayoutTest, InstalledCopyKeepsTheUsersDataUnderAppDataSeededOnce) {
    const ProgramLayout layout = FindProgramLayout(shell, files());
    ASSERT_TRUE(layout.installed);
    EXPECT_EQ(layout.dataFolder, (m_temp / "Roaming") + "\\Quorvel\\Data");
    EXPECT_EQ(layout.defaultDataFolder, (m_temp / "Program") + "\\Defaults");
    EXPECT_EQ(layout.clamAvFolder, (m_temp / "Program") + "\\ClamAV");
    EXPECT_EQ(layout.scanFolder, (m_temp / "Roaming") + "\\Quorvel");
    EXPECT_EQ(layout.downloadFolder, layout.scanFolder) << "no Downloads folder: the scan folder";

    // The user's own password is never overwritten by the default.
    std::filesystem::create_directories(layout.dataFolder);
    Write(layout.data().setDbPath(), "mine\r\n");
    ASSERT_TRUE(PrepareUserFolders(files(), layout));
    EXPECT_EQ(Read(layout.data().whitelistPath()), "kenal|explorer.exe\r\n");
    EXPECT_EQ(Read(layout.data().setDbPath()), "mine\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(layout.scanFolder));
}

TEST_F(WindowsLayoutTest, LocalAppDataAndDownloadsWhenTheUserHasThem) {
    std::filesystem::create_directories(m_temp.path() / "Profile" / "Downloads");
    shell.environment["LOCALAPPDATA"] = m_temp / "Local";
    shell.environment["USERPROFILE"] = m_temp / "Profile";
    const ProgramLayout layout = FindProgramLayout(shell, files());
    ASSERT_TRUE(layout.installed);
    EXPECT_EQ(layout.scanFolder, (m_temp / "Local") + "\\Quorvel");
    EXPECT_EQ(layout.downloadFolder, (m_temp / "Profile") + "\\Downloads");
}

TEST_F(WindowsLayoutTest, PortableCopiesKeepEverythingBesideTheProgram) {
    struct Row {
        const char* name;
        bool dataBeside;
        bool defaults;
        bool appData;
    };
    for (const Row row :
         {Row{"a Data folder beside it", true, true, true},
          Row{"no Defaults folder", false, false, true}, Row{"no APPDATA", false, true, false}}) {
        std::error_code ignored;
        std::filesystem::remove_all(m_temp.path() / "Program" / "Data", ignored);
        if (row.dataBeside)
            std::filesystem::create_directories(m_temp.path() / "Program" / "Data");
        if (!row.defaults)
            std::filesystem::remove_all(m_temp.path() / "Program" / "Defaults", ignored);
        if (!row.appData)
            shell.environment.erase("APPDATA");
        const ProgramLayout layout = FindProgramLayout(shell, files());
        EXPECT_FALSE(layout.installed) << row.name;
        EXPECT_EQ(layout.dataFolder, (m_temp / "Program") + "\\Data") << row.name;
        EXPECT_EQ(layout.scanFolder, m_temp / "Program") << row.name;
        EXPECT_TRUE(PrepareUserFolders(files(), layout)) << row.name;
        EXPECT_FALSE(std::filesystem::exists(m_temp.path() / "Roaming" / "Quorvel")) << row.name;
    }
}

} // namespace
} // namespace quorvel::store
