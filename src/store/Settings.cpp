#include "store/Settings.h"

#include "regguard/RegistryValues.h"

#include <algorithm>
#include <charconv>

namespace quorvel::store {

namespace {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

int ParseNumber(std::string_view text) {
    text = Trim(text);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return 0;
    return value;
}

} // namespace

SettingsValues ParseSettingsText(std::string_view text) {
    SettingsValues values{};
    size_t lineStart = 0;
    for (int line = 0; line <= kSettingCount && lineStart <= text.size(); ++line) {
        const size_t cr = text.find('\r', lineStart);
        const size_t lineEnd = cr == std::string_view::npos ? text.size() : cr;
        const std::string_view content = text.substr(lineStart, lineEnd - lineStart);
        if (line >= 1) {
            const size_t dash = content.find('-');
            if (dash != std::string_view::npos) {
                const size_t next = content.find('-', dash + 1);
                values[line - 1] = ParseNumber(
                    content.substr(dash + 1, next == std::string_view::npos ? std::string_view::npos
                                                                            : next - dash - 1));
            }
        }
        if (cr == std::string_view::npos)
            break;
        lineStart = cr + 1;
    }
    return values;
}

std::string BuildSettingsText(const SettingsValues& values) {
    std::string text = "[QUORVEL]\r";
    for (int i = 0; i < kSettingCount; ++i)
        text += "00" + std::to_string(i + 1) + "-" + std::to_string(values[i]) + "\r";
    return text;
}

int ParseLogGenerations(std::string_view text) {
    constexpr std::string_view key = "Generations=";
    size_t lineStart = 0;
    while (lineStart <= text.size()) {
        const size_t end = text.find_first_of("\r\n", lineStart);
        const std::string_view line = Trim(text.substr(
            lineStart, end == std::string_view::npos ? std::string_view::npos : end - lineStart));
        if (line.starts_with(key)) {
            const std::string_view number = Trim(line.substr(key.size()));
            int value = 0;
            const auto [last, error] =
                std::from_chars(number.data(), number.data() + number.size(), value);
            if (error != std::errc() || last != number.data() + number.size() || number.empty())
                return kDefaultLogGenerations;
            return std::clamp(value, 0, kMaxLogGenerations);
        }
        if (end == std::string_view::npos)
            break;
        lineStart = end + 1;
    }
    return kDefaultLogGenerations;
}

int LoadLogGenerations(platform::Files& files, const std::string& auditIniPath) {
    const auto bytes = files.ReadAll(auditIniPath);
    if (!bytes)
        return kDefaultLogGenerations;
    return ParseLogGenerations(std::string_view(reinterpret_cast<const char*>(bytes.value().data()),
                                                bytes.value().size()));
}

namespace {

// One argument as CommandLineToArgvW reads it back: quotes escaped, and the backslashes
// before a quote (and before the closing one) doubled.
std::string QuotedArgument(const std::string& argument) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

} // namespace

std::string RunCommandLine(const std::string& program, const std::string& dataFolder) {
    return QuotedArgument(program) + " --data " + QuotedArgument(dataFolder);
}

std::string AutoStartData(platform::Shell& shell, char separator, const std::string& dataFolder) {
    std::string path = shell.ExecutablePath();
    if (separator == '\\') {
        std::string name = path.substr(path.find_last_of('\\') + 1);
        if (const auto dot = name.find_last_of('.'); dot != std::string::npos)
            name.resize(dot);
        path = shell.ProgramFolder() + "\\" + name + ".exe";
    }
    return dataFolder.empty() ? path : RunCommandLine(path, dataFolder);
}

Settings::Settings(platform::Files& files, platform::AnsiCodec& ansi, platform::Registry& registry,
                   std::string mainIniPath, std::string autoStartData)
    : m_basFile(files, ansi), m_ansi(ansi), m_registry(registry),
      m_mainIniPath(std::move(mainIniPath)), m_autoStartData(std::move(autoStartData)) {}

void Settings::SetCheckBox(SettingKey key, int value) {
    if (value < 0 || value > 2)
        return;
    int& box = m_values[static_cast<int>(key)];
    if (box == value)
        return; // assigning the same state is no click
    box = value;
    if (key == SettingKey::AntiExe && isOn(SettingKey::JustNotify))
        box = 0;
    else if (key == SettingKey::JustNotify && isOn(SettingKey::AntiExe))
        box = 0;
}

void Settings::LoadSettings(const std::string& path) {
    // main.ini holds 40 bytes; the small-file cap keeps a hostile one from filling memory.
    const SettingsValues read = ParseSettingsText(
        m_basFile.ReadWholeFile(path, static_cast<int64_t>(platform::kTextFileLimit)));

    SetCheckBox(SettingKey::SelfCheck, read[0]);
    if (isOn(SettingKey::SelfCheck) && m_selfCheck)
        m_selfCheck();

    SetCheckBox(SettingKey::JustNotify, read[1]);

    SetCheckBox(SettingKey::RunAtStartup, read[2]);
    ApplyAutoStart(isOn(SettingKey::RunAtStartup));

    SetCheckBox(SettingKey::RegQuorvel, read[3]);
    m_lblregmon = isOn(SettingKey::RegQuorvel) ? "On" : "Off";

    SetCheckBox(SettingKey::AntiExe, read[4]);

    if (isOn(SettingKey::AntiExe))
        m_lblmode = "Anti Executable";
    else if (isOn(SettingKey::JustNotify))
        m_lblmode = "Just Notify";
    else
        m_lblmode = "Alert - Default";
}

Message Settings::SaveSettings() {
    if (!m_basFile.WriteFileViaTemp(m_mainIniPath, BuildSettingsText(m_values)))
        return {"Settings not saved..can't write " + m_mainIniPath +
                    " (is the Data folder or the Documents folder missing or read-only?)",
                kProductTitle, MessageIcon::Critical};
    LoadSettings(m_mainIniPath);
    return {"Please Restart Application for apply all changes", kProductTitle,
            MessageIcon::Information};
}

void Settings::ApplyAutoStart(bool on) {
    using platform::RegRoot;
    if (on)
        (void)regguard::SetRegString(m_registry, m_ansi, RegRoot::LocalMachine, kRunKey,
                                     kAutoStartValueName, m_autoStartData);
    else
        (void)regguard::DeleteRegValue(m_registry, RegRoot::LocalMachine, kRunKey,
                                       kAutoStartValueName);
}

} // namespace quorvel::store
