#include "platform/linux/Backends.h"
#include "platform/linux/FileRegistry.h"
#include "regguard/RegistryValues.h"
#include "store/RedirectedFiles.h"
#include "store/Settings.h"
#include "store/TempFolder.h"
#include "store/TrustList.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

using platform::RegRoot;
using ::testing::HasSubstr;
using testing::ReadBytes;
using testing::WriteBytes;

constexpr const char* kProgram = "/opt/quorvel app/quorvel";

// Settings over real files and the file-backed registry, all in a temporary folder.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        std::filesystem::create_directories(m_temp / "Data");
        std::filesystem::create_directories(m_temp / "Documents");
    }

    Settings Make(const std::string& documents, const std::string& mainIni) {
        m_redirected = std::make_unique<testing::RedirectedFiles>(*m_files, documents);
        return Settings(*m_redirected, *m_ansi, m_registry, mainIni, kProgram);
    }
    Settings Make(const std::string& documents) { return Make(documents, m_mainIni); }
    Settings Make() { return Make(m_temp / "Documents"); }

    std::string AutoStartValue() {
        auto value = m_registry.QueryValue(RegRoot::LocalMachine, kRunKey, kAutoStartValueName);
        if (!value || value.value().type != platform::kRegString)
            return "<none>";
        return std::string(reinterpret_cast<const char*>(value.value().data.data()),
                           value.value().data.size());
    }
    bool AutostartEntryExists() {
        return testing::PathExists(m_temp / "autostart/quorvel.desktop");
    }

    testing::TempFolder m_temp;
    std::string m_mainIni = m_temp / "Data/main.ini";
    std::unique_ptr<platform::Files> m_files = platform::linux_backend::CreatePosixFiles();
    std::unique_ptr<platform::AnsiCodec> m_ansi = platform::linux_backend::CreateWindows1252Codec();
    std::unique_ptr<testing::RedirectedFiles> m_redirected;
    platform::linux_backend::FileRegistry m_registry{
        {m_temp / "hkcu", m_temp / "hklm", m_temp / "autostart"}};
};

struct ApplyCase {
    const char* name;
    std::string file; // "<missing>" for no file
    SettingsValues boxes;
    const char* lblmode;
    const char* lblregmon;
};

class SettingsApplyTest : public SettingsTest, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(SettingsApplyTest, AppliesBoxesLabelsAndAutoStart) {
    const auto& row = GetParam();
    // A stale auto-start value that the apply must delete unless Run at Startup is on.
    ASSERT_TRUE(regguard::SetRegString(m_registry, *m_ansi, RegRoot::LocalMachine, kRunKey,
                                       kAutoStartValueName, "stale"));
    if (row.file != "<missing>")
        WriteBytes(m_mainIni, row.file);
    int selfChecks = 0;
    Settings settings = Make();
    settings.setSelfCheck([&] { ++selfChecks; });
    settings.LoadSettings(m_mainIni);

    EXPECT_EQ(settings.values(), row.boxes);
    EXPECT_EQ(settings.lblmode(), row.lblmode);
    EXPECT_EQ(settings.lblregmon(), row.lblregmon);
    EXPECT_EQ(selfChecks, row.boxes[0] == 1 ? 1 : 0);
    const bool run = row.boxes[2] == 1;
    EXPECT_EQ(AutoStartValue(), run ? kProgram : "<none>");
    EXPECT_EQ(AutostartEntryExists(), run);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsApplyTest,
    ::testing::Values(
        ApplyCase{"missing_file_switches_all_off",
                  "<missing>",
                  {0, 0, 0, 0, 0},
                  "Alert - Default",
                  "Off"},
        ApplyCase{"empty_file", "", {0, 0, 0, 0, 0}, "Alert - Default", "Off"},
        ApplyCase{"all_five_on_leaves_anti_exe_off",
                  "[QUORVEL]\r001-1\r002-1\r003-1\r004-1\r005-1\r",
                  {1, 1, 1, 1, 0},
                  "Just Notify",
                  "On"},
        ApplyCase{"cr_lf_reads_like_cr",
                  "[QUORVEL]\r\n001-1\r\n002-1\r\n003-1\r\n004-1\r\n005-1\r\n",
                  {1, 1, 1, 1, 0},
                  "Just Notify",
                  "On"},
        ApplyCase{"anti_exe",
                  "[QUORVEL]\r001-0\r002-0\r003-1\r004-0\r005-1\r",
                  {0, 0, 1, 0, 1},
                  "Anti Executable",
                  "Off"},
        ApplyCase{"seven_is_refused",
                  "[QUORVEL]\r001-0\r002-0\r003-7\r004-0\r005-0\r",
                  {0, 0, 0, 0, 0},
                  "Alert - Default",
                  "Off"},
        ApplyCase{"grayed_is_stored_but_not_on",
                  "[QUORVEL]\r001-2\r002-2\r003-2\r004-2\r005-2\r",
                  {2, 2, 2, 2, 2},
                  "Alert - Default",
                  "Off"},
        ApplyCase{
            "only_the_first_line", "[QUORVEL]\r001-1", {1, 0, 0, 0, 0}, "Alert - Default", "Off"}),
    [](const auto& row) { return std::string(row.param.name); });

// The arguments a desktop's launcher gives the program for an Exec value: the key file's
// escapes first, then the Exec quoting.
std::vector<std::string> LaunchedArguments(const std::string& entry) {
    const auto at = entry.find("\nExec=");
    const std::string line = entry.substr(at + 6, entry.find('\n', at + 1) - at - 6);
    std::string value;
    for (size_t i = 0; i < line.size(); ++i)
        value += line[i] == '\\' && i + 1 < line.size() ? line[++i] : line[i];
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false;
    bool started = false;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted && c == '\\' && i + 1 < value.size())
            current += value[++i];
        else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%')
            current += value[++i];
        else if (c == '"')
            quoted = !quoted, started = true;
        else if (c == ' ' && !quoted) {
            if (started)
                arguments.push_back(current);
            current.clear();
            started = false;
        } else
            current += c, started = true;
    }
    if (started)
        arguments.push_back(current);
    return arguments;
}

// "Run at Startup" of a program started with --data: the next log-in runs it on the same
// Data folder, whatever characters the folder's path holds.
TEST_F(SettingsTest, RunAtStartupKeepsTheDataFolder) {
    for (const std::string folder :
         {"/srv/data", "/home/a b/Data dir", "/tmp/it's \"q\" $HOME %u\\", "/x/trailing\\"}) {
        Settings settings(*m_files, *m_ansi, m_registry, m_mainIni,
                          RunCommandLine(kProgram, folder));
        settings.ApplyAutoStart(true);
        EXPECT_EQ(LaunchedArguments(ReadBytes(m_temp / "autostart/quorvel.desktop")),
                  (std::vector<std::string>{kProgram, "--data", folder}))
            << folder;
    }
    // Without --data the value is the program's path alone, as before.
    Settings plain(*m_files, *m_ansi, m_registry, m_mainIni, kProgram);
    plain.ApplyAutoStart(true);
    EXPECT_EQ(AutoStartValue(), kProgram);
    EXPECT_EQ(LaunchedArguments(ReadBytes(m_temp / "autostart/quorvel.desktop")),
              std::vector<std::string>{kProgram});
}

TEST_F(SettingsTest, ClickRuleKeepsTheTwoModesApart) {
    Settings settings = Make();
    settings.SetCheckBox(SettingKey::AntiExe, 1);
    settings.SetCheckBox(SettingKey::JustNotify, 1);
    EXPECT_EQ(settings.value(SettingKey::JustNotify), 0) << "springs back";
    settings.SetCheckBox(SettingKey::JustNotify, 2);
    EXPECT_EQ(settings.value(SettingKey::JustNotify), 0) << "any change springs back";
    settings.SetCheckBox(SettingKey::AntiExe, 0);
    settings.SetCheckBox(SettingKey::JustNotify, 1);
    settings.SetCheckBox(SettingKey::AntiExe, 1);
    EXPECT_EQ(settings.value(SettingKey::AntiExe), 0);
    EXPECT_EQ(settings.value(SettingKey::JustNotify), 1);
    settings.SetCheckBox(SettingKey::RunAtStartup, 3);
    EXPECT_EQ(settings.value(SettingKey::RunAtStartup), 0) << "only 0, 1 and 2 are taken";
}

TEST_F(SettingsTest, SaveWritesTheFileAppliesItAndIsRepeatable) {
    WriteBytes(m_mainIni, "[QUORVEL]\r001-0\r002-0\r003-0\r004-0\r005-0\r");
    Settings settings = Make();
    settings.LoadSettings(m_mainIni);
    settings.SetCheckBox(SettingKey::RunAtStartup, 1);
    settings.SetCheckBox(SettingKey::AntiExe, 1);
    EXPECT_EQ(settings.lblmode(), "Alert - Default") << "labels change only when applied";

    const Message saved = settings.SaveSettings();
    EXPECT_EQ(saved, (Message{"Please Restart Application for apply all changes", "Quorvel",
                              MessageIcon::Information}));
    const std::string first = ReadBytes(m_mainIni);
    EXPECT_EQ(first, "[QUORVEL]\r001-0\r002-0\r003-1\r004-0\r005-1\r");
    EXPECT_EQ(settings.lblmode(), "Anti Executable");
    EXPECT_EQ(AutoStartValue(), kProgram);
    EXPECT_TRUE(AutostartEntryExists());
    EXPECT_FALSE(testing::PathExists(m_temp / "Documents/TMP.TMP.$$"));

    ASSERT_EQ(settings.SaveSettings(), saved);
    EXPECT_EQ(ReadBytes(m_mainIni), first);

    settings.SetCheckBox(SettingKey::RunAtStartup, 0);
    settings.SaveSettings();
    EXPECT_EQ(AutoStartValue(), "<none>");
    EXPECT_FALSE(AutostartEntryExists());
}

TEST_F(SettingsTest, FailedSaveKeepsTheOldFileAndTheBoxesAndSaysSo) {
    const std::string old = "[QUORVEL]\r001-0\r002-0\r003-1\r004-1\r005-1\r";
    WriteBytes(m_mainIni, old);
    struct Case {
        const char* name;
        std::string documents;
    } cases[] = {{"no_documents_folder", m_temp / "missing"},
                 {"documents_is_a_file", m_temp / "Data/main.ini"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        Settings settings = Make(row.documents);
        settings.LoadSettings(m_mainIni);
        settings.SetCheckBox(SettingKey::SelfCheck, 1);
        const Message failed = settings.SaveSettings();
        EXPECT_EQ(failed.icon, MessageIcon::Critical);
        EXPECT_THAT(failed.text, HasSubstr("not saved"));
        EXPECT_EQ(ReadBytes(m_mainIni), old);
        EXPECT_EQ(settings.values(), (SettingsValues{1, 0, 1, 1, 1}));
        EXPECT_EQ(AutoStartValue(), kProgram) << "nothing re-applied";
    }
}

TEST_F(SettingsTest, SaveIntoAMissingDataFolderFailsWithoutATrace) {
    const std::string elsewhere = m_temp / "NoData/main.ini";
    Settings lost = Make(m_temp / "Documents", elsewhere);
    EXPECT_EQ(lost.SaveSettings().icon, MessageIcon::Critical);
    EXPECT_FALSE(testing::PathExists(elsewhere));
    EXPECT_FALSE(testing::PathExists(m_temp / "Documents/TMP.TMP.$$"));
}

// Root ignores permission bits, but not the immutable attribute.
class Immutable {
public:
    explicit Immutable(std::string path) : m_path(std::move(path)) {
        m_set = std::system(("chattr +i '" + m_path + "' 2>/dev/null").c_str()) == 0;
    }
    ~Immutable() {
        if (m_set)
            (void)std::system(("chattr -i '" + m_path + "'").c_str());
    }
    bool set() const { return m_set; }

private:
    std::string m_path;
    bool m_set = false;
};

TEST_F(SettingsTest, ReadOnlyDataKeepsSettingsAndListsAsTheyWere) {
    const std::string old = "[QUORVEL]\r001-0\r002-0\r003-0\r004-1\r005-0\r";
    WriteBytes(m_mainIni, old);
    const std::string listPath = m_temp / "Data/blacklist.db";
    WriteBytes(listPath, "kenal|bad.exe\r\n");
    Settings settings = Make();
    settings.LoadSettings();
    TrustList list(*m_files, *m_ansi, listPath);
    list.LoadTrustList();
    list.ShowTrustList();

    // The files too: a writable file in a locked folder is rewritten in place.
    Immutable readOnlyList(listPath);
    Immutable readOnlyIni(m_mainIni);
    Immutable readOnly(m_temp / "Data");
    if (!readOnly.set() || !readOnlyList.set() || !readOnlyIni.set())
        GTEST_SKIP() << "chattr +i is not available here";
    settings.SetCheckBox(SettingKey::AntiExe, 1);
    EXPECT_EQ(settings.SaveSettings().icon, MessageIcon::Critical);
    EXPECT_EQ(ReadBytes(m_mainIni), old);
    EXPECT_EQ(list.AddToListAndSave("worse.exe").icon, MessageIcon::Critical);
    EXPECT_EQ(list.RemoveFromList("bad.exe").icon, MessageIcon::Critical);
    EXPECT_EQ(ReadBytes(listPath), "kenal|bad.exe\r\n");
    EXPECT_TRUE(list.FindInTrustList("bad.exe"));
    EXPECT_FALSE(list.FindInTrustList("worse.exe"));
}

} // namespace
} // namespace quorvel::store
