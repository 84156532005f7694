#pragma once

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "store/Message.h"
#include "store/basFile.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel::store {

// The five options, in the order of their keys 001..005 and of main.ini's lines 1..5.
enum class SettingKey {
    SelfCheck = 0,    // 001 chkselfcheck "Enable Self Check"
    JustNotify = 1,   // 002 chkjustwarnme "Just Notify [...]"
    RunAtStartup = 2, // 003 chkrun "Run at Startup"
    RegQuorvel = 3,   // 004 chkregquorvel "Enable Reg Quorvel"
    AntiExe = 4,      // 005 chkauto "Anti Exe Mode"
};

inline constexpr int kSettingCount = 5;

// Check box states: 0 off, 1 on, 2 grayed; only 1 counts as on.
using SettingsValues = std::array<int, kSettingCount>;

// The numbers on main.ini's lines 1 to 5 (split at CR; the section line is line 0): the
// text between the first "-" and the next one. A missing line, a line without "-" or a
// text that is not a whole number gives 0. The values are not checked for range.
SettingsValues ParseSettingsText(std::string_view text);

// "[QUORVEL]" CR, then "001-" value CR ... "005-" value CR.
std::string BuildSettingsText(const SettingsValues& values);

// How many rotated files of the audit log (decisions.jsonl.1 to .N) are kept. It lives in
// a file of its own beside main.ini, one line "Generations=N", so that main.ini keeps the
// six lines older copies read and write. A missing file, line or number gives the default;
// the count is kept between 0 and kMaxLogGenerations.
inline constexpr const char* kAuditSettingsFile = "audit.ini";
inline constexpr int kDefaultLogGenerations = 5;
inline constexpr int kMaxLogGenerations = 99;
int ParseLogGenerations(std::string_view text);
int LoadLogGenerations(platform::Files& files, const std::string& auditIniPath);

inline constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kAutoStartValueName = "Quorvel";

// The auto-start value's data. On Windows the program folder, "\", the executable's base
// name and ".exe"; elsewhere the executable's real path, which is what starts it there.
// With dataFolder (the --data folder the program runs with), a command line that starts
// it on that folder again: RunCommandLine(program, dataFolder).
std::string AutoStartData(platform::Shell& shell, char separator,
                          const std::string& dataFolder = {});

// A Run value's command line: the quoted program, then --data and the quoted folder,
// quoted as Windows splits a command line (backslashes count only before a quote).
std::string RunCommandLine(const std::string& program, const std::string& dataFolder);

// The Settings page's five check boxes, the two status labels they drive, and main.ini.
class Settings {
public:
    Settings(platform::Files& files, platform::AnsiCodec& ansi, platform::Registry& registry,
             std::string mainIniPath, std::string autoStartData);

    int value(SettingKey key) const { return m_values[static_cast<int>(key)]; }
    bool isOn(SettingKey key) const { return value(key) == 1; }
    const SettingsValues& values() const { return m_values; }

    // Sets a check box as a click or an assignment does: values other than 0, 1 and 2 are
    // not accepted; a change of "Anti Exe Mode" or "Just Notify" while the other one is on
    // springs back to 0.
    void SetCheckBox(SettingKey key, int value);

    // lblmode: "Anti Executable", "Just Notify" or "Alert - Default" ("N/A" before the
    // first apply). lblregmon: "On" or "Off".
    const std::string& lblmode() const { return m_lblmode; }
    const std::string& lblregmon() const { return m_lblregmon; }

    // Reads main.ini and applies the five values in key order, the labels and the
    // auto-start value. A missing or unreadable file applies 0 everywhere.
    void LoadSettings(const std::string& path);
    void LoadSettings() { LoadSettings(m_mainIniPath); }

    // The "Save" button: writes the current values through the temporary file, keeping
    // the old main.ini until the new one is in place, re-applies them and returns the
    // restart notice; when the file cannot be written, returns the failure instead and
    // leaves both the file and the check boxes as they were.
    Message SaveSettings();

    // Writes or deletes the auto-start value; failures change nothing and are not told.
    void ApplyAutoStart(bool on);

    // Runs when an apply finds "Enable Self Check" on.
    void setSelfCheck(std::function<void()> check) { m_selfCheck = std::move(check); }

    const std::string& mainIniPath() const { return m_mainIniPath; }

private:
    basFile m_basFile;
    platform::AnsiCodec& m_ansi;
    platform::Registry& m_registry;
    std::string m_mainIniPath;
    std::string m_autoStartData;
    SettingsValues m_values{};
    std::string m_lblmode = "N/A";
    std::string m_lblregmon = "N/A";
    std::function<void()> m_selfCheck;
};

} // namespace quorvel::store
