// Data files that are no files: a FIFO nobody writes to, or a link to an endless device.
// Before, the FIFO blocked every reader forever and /dev/zero filled memory.
#include "platform/linux/Backends.h"
#include "platform/linux/FileRegistry.h"
#include "store/RedirectedFiles.h"
#include "store/Settings.h"
#include "store/TempFolder.h"
#include "store/TrustList.h"
#include "store/basFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvel::store {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

enum class Kind { Fifo, DevZero };

struct HostileCase {
    const char* name;
    Kind kind;
};

class HostileDataFileTest : public ::testing::TestWithParam<HostileCase> {
protected:
    void Plant(const std::string& path) {
        if (GetParam().kind == Kind::Fifo)
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else
            std::filesystem::create_symlink("/dev/zero", path);
    }
    bool StillPlanted(const std::string& path) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            return false;
        return GetParam().kind == Kind::Fifo ? S_ISFIFO(info.st_mode) : S_ISLNK(info.st_mode);
    }

    testing::TempFolder m_temp;
    std::unique_ptr<platform::Files> m_files = platform::linux_backend::CreatePosixFiles();
    std::unique_ptr<platform::AnsiCodec> m_ansi = platform::linux_backend::CreateWindows1252Codec();
};

TEST_P(HostileDataFileTest, ListLoadsEmptyAndEditsFailWithTheCriticalMessage) {
    const std::string path = m_temp / "whitelist.db";
    Plant(path);
    TrustList list(*m_files, *m_ansi, path);
    list.LoadTrustList();
    list.ShowTrustList();
    EXPECT_TRUE(list.storedEntries().empty());
    EXPECT_EQ(list.AddToListAndSave("a.exe").icon, MessageIcon::Critical);
    EXPECT_EQ(list.RemoveFromList("a.exe").icon, MessageIcon::Critical);
    EXPECT_TRUE(StillPlanted(path)) << "nothing written over it";
}

TEST_P(HostileDataFileTest, SettingsLoadAsAllOffAndSavingFails) {
    std::filesystem::create_directories(m_temp / "Documents");
    const std::string path = m_temp / "main.ini";
    Plant(path);
    testing::RedirectedFiles files(*m_files, m_temp / "Documents");
    basFile bas(files, *m_ansi);
    EXPECT_EQ(bas.ReadWholeFile(path), "");
    platform::linux_backend::FileRegistry registry{
        {m_temp / "hkcu", m_temp / "hklm", m_temp / "autostart"}};
    Settings settings(files, *m_ansi, registry, path, "/opt/quorvel/quorvel");
    settings.LoadSettings(path);
    EXPECT_EQ(settings.values(), (SettingsValues{0, 0, 0, 0, 0}));
    settings.SetCheckBox(SettingKey::AntiExe, 1);
    EXPECT_EQ(settings.SaveSettings().icon, MessageIcon::Critical);
    EXPECT_TRUE(StillPlanted(path));
}

INSTANTIATE_TEST_SUITE_P(Store, HostileDataFileTest,
                         ::testing::Values(HostileCase{"fifo", Kind::Fifo},
                                           HostileCase{"dev_zero", Kind::DevZero}),
                         [](const auto& row) { return std::string(row.param.name); });

// The temporary file's name is fixed and its folder is the user's: a link planted there
// must not redirect the settings write, and a stale copy must not stop it.
TEST(SettingsTemporaryFile, LinkOrStaleFileInItsPlaceIsRemovedFirst) {
    testing::TempFolder temp;
    std::filesystem::create_directories(temp / "Documents");
    auto real = platform::linux_backend::CreatePosixFiles();
    auto ansi = platform::linux_backend::CreateWindows1252Codec();
    testing::RedirectedFiles files(*real, temp / "Documents");
    basFile bas(files, *ansi);
    const std::string victim = temp / "victim";
    const std::string temporary = temp / "Documents/TMP.TMP.$$";
    WriteBytes(victim, "keep me");
    std::filesystem::create_symlink(victim, temporary);
    ASSERT_TRUE(bas.WriteFileViaTemp(temp / "main.ini", "[QUORVEL]\r"));
    EXPECT_EQ(ReadBytes(victim), "keep me") << "before, the write followed the link";
    EXPECT_EQ(ReadBytes(temp / "main.ini"), "[QUORVEL]\r");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));

    WriteBytes(temporary, "stale");
    ASSERT_EQ(::chmod(temporary.c_str(), 0400), 0);
    ASSERT_TRUE(bas.WriteFileViaTemp(temp / "main.ini", "[QUORVEL]\r001-1\r"));
    EXPECT_EQ(ReadBytes(temp / "main.ini"), "[QUORVEL]\r001-1\r");
}

} // namespace
} // namespace quorvel::store
