#include "cli/Command.h"
#include "regguard/RegistryValues.h"
#include "store/DataFolder.h"
#include "store/ProgramLayout.h"
#include "store/Settings.h"
#include "store/TrustList.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace quorvel::cli {

namespace {

using platform::RegRoot;

std::optional<RegRoot> ParseRoot(const std::string& text) {
    if (text == "HKCU" || text == "HKEY_CURRENT_USER")
        return RegRoot::CurrentUser;
    if (text == "HKLM" || text == "HKEY_LOCAL_MACHINE")
        return RegRoot::LocalMachine;
    return std::nullopt;
}

// Decimal (negative too) or 0x hexadecimal, anything that fits 32 bits.
std::optional<int32_t> ParseDword(const std::string& text) {
    std::string_view digits = text;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X"))
        digits.remove_prefix(2), base = 16;
    int64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        value < INT32_MIN || value > static_cast<int64_t>(UINT32_MAX))
        return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int PrintValue(CommandContext& context, RegRoot root, const std::string& key,
               const std::string& name) {
    auto& registry = *context.platform.registry;
    auto value = registry.QueryValue(root, key, name);
    if (!value)
        return kExitFailed;
    const auto& data = value.value().data;
    switch (value.value().type) {
    case platform::kRegDword:
        context.out << regguard::GetRegDword(registry, root, key, name) << "\n";
        return kExitOk;
    case platform::kRegString:
        context.out << context.platform.ansi->FromAnsi(
                           std::string(reinterpret_cast<const char*>(data.data()), data.size()))
                    << "\n";
        return kExitOk;
    default:
        break;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    context.out << "type " << value.value().type << ":";
    for (std::byte b : data)
        context.out << ' ' << kDigits[std::to_integer<int>(b) >> 4]
                    << kDigits[std::to_integer<int>(b) & 15];
    context.out << "\n";
    return kExitOk;
}

int RunReg(CommandContext& context, std::span<const std::string> args) {
    if (args.empty())
        return UsageError(context, "reg needs get, set-dword, set-string or delete");
    const std::string& action = args[0];
    const bool setting = action == "set-dword" || action == "set-string";
    if (!setting && action != "get" && action != "delete")
        return UsageError(context, "unknown reg action '" + action + "'");
    if (args.size() != (setting ? 5u : 4u))
        return UsageError(context,
                          "reg " + action + " takes ROOT KEY NAME" + (setting ? " VALUE" : ""));
    const auto root = ParseRoot(args[1]);
    if (!root)
        return UsageError(context, "ROOT is HKCU or HKLM, not '" + args[1] + "'");
    if (!context.platform.registry || !context.platform.ansi) {
        context.err << "quorvel-cli: no registry on this system\n";
        return kExitFailed;
    }
    auto& registry = *context.platform.registry;
    const std::string& key = args[2];
    const std::string& name = args[3];

    if (action == "get")
        return PrintValue(context, *root, key, name);
    bool done = false;
    if (action == "set-dword") {
        const auto value = ParseDword(args[4]);
        if (!value)
            return UsageError(context, "'" + args[4] + "' is not a 32-bit number");
        done = regguard::SetRegDword(registry, *root, key, name, *value);
    } else if (action == "set-string") {
        done = regguard::SetRegString(registry, *context.platform.ansi, *root, key, name, args[4]);
    } else {
        done = regguard::DeleteRegValue(registry, *root, key, name);
    }
    return done ? kExitOk : kExitFailed;
}

void PrintList(CommandContext& context, const char* title, store::TrustList& list) {
    list.LoadTrustList();
    list.ShowTrustList();
    context.out << title << "\n";
    for (const auto& item : list.visibleItems())
        context.out << "  " << item << "\n";
}

int RunLists(CommandContext& context, std::span<const std::string> args) {
    std::optional<std::string> folder;
    if (args.size() == 2 && args[0] == "--data")
        folder = args[1];
    else if (!args.empty())
        return UsageError(context, "lists takes no arguments but --data FOLDER");
    auto& platform = context.platform;
    if (!platform.files || !platform.ansi || (!folder && !platform.shell)) {
        context.err << "quorvel-cli: cannot find the Data folder on this system\n";
        return kExitFailed;
    }
    const auto data = folder ? store::DataFolder(*folder, platform.files->PathSeparator())
                             : ProgramDataFolder(context);
    store::TrustList whitelist(*platform.files, *platform.ansi, data.whitelistPath());
    store::TrustList blacklist(*platform.files, *platform.ansi, data.blacklistPath());
    PrintList(context, "whitelist:", whitelist);
    PrintList(context, "blacklist:", blacklist);
    return kExitOk;
}

int RunPaths(CommandContext& context, std::span<const std::string> args) {
    if (!args.empty())
        return UsageError(context, "paths takes no arguments");
    auto& platform = context.platform;
    if (!platform.files || !platform.shell) {
        context.err << "quorvel-cli: cannot find the program's folders on this system\n";
        return kExitFailed;
    }
    const auto layout = store::FindProgramLayout(*platform.shell, *platform.files);
    context.out << "layout: " << (layout.installed ? "installed" : "portable") << "\n"
                << "data: " << layout.dataFolder << "\n";
    if (layout.installed)
        context.out << "defaults: " << layout.defaultDataFolder << "\n";
    context.out << "scanner: " << layout.clamAvFolder << "\n"
                << "scan report: " << layout.scanReportPath() << "\n"
                << "downloads: " << layout.downloadFolder << "\n";
    return kExitOk;
}

// "Run at Startup" as the Settings page applies it, for the desktop program beside this one.
int RunAutostart(CommandContext& context, std::span<const std::string> args) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off"))
        return UsageError(context, "autostart takes on or off");
    auto& platform = context.platform;
    if (!platform.files || !platform.shell || !platform.ansi || !platform.registry) {
        context.err << "quorvel-cli: there is no auto-start on this system\n";
        return kExitFailed;
    }
    const char separator = platform.files->PathSeparator();
    const std::string desktop = platform.shell->ProgramFolder() + separator +
                                (separator == '\\' ? "quorvel.exe" : "quorvel");
    const auto layout = store::FindProgramLayout(*platform.shell, *platform.files);
    store::Settings settings(*platform.files, *platform.ansi, *platform.registry,
                             layout.data().mainIniPath(), desktop);
    settings.ApplyAutoStart(args[0] == "on");
    return kExitOk;
}

constexpr Command kCommands[] = {
    {"reg", "get|set-dword|set-string|delete ROOT KEY NAME [VALUE]",
     "read or write one registry value (ROOT: HKCU or HKLM)", RunReg},
    {"lists", "[--data FOLDER]", "print the whitelist and the blacklist as the guard sees them",
     RunLists},
    {"autostart", "on|off", "start the desktop program at log-in, or no longer", RunAutostart},
    {"paths", "", "print where this copy keeps its data, scan report and downloads", RunPaths},
};

} // namespace

store::DataFolder ProgramDataFolder(CommandContext& context) {
    auto& platform = context.platform;
    const auto layout = store::FindProgramLayout(*platform.shell, *platform.files);
    if (auto prepared = store::PrepareUserFolders(*platform.files, layout); !prepared)
        context.err << "quorvel-cli: " << prepared.error().message << "\n";
    return layout.data();
}

std::span<const Command> StoreCommands() {
    return kCommands;
}

} // namespace quorvel::cli
