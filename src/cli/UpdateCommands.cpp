#include "cli/Command.h"
#include "store/DataFolder.h"
#include "update/UpdateCheck.h"
#include "update/UpdateServer.h"

#include <optional>

namespace quorvel::cli {

namespace {

// The update window's outcome for scripts: lblupdate's text on the first line, lblnew's
// on the second; a failed or impossible check also says why on stderr and exits 1.
int RunUpdateCheck(CommandContext& context, std::span<const std::string> args) {
    std::optional<std::string> folder;
    if (args.size() == 2 && args[0] == "--data")
        folder = args[1];
    else if (!args.empty())
        return UsageError(context, "update-check takes no arguments but --data DIR");
    auto& platform = context.platform;
    const char separator = platform.files->PathSeparator();
    const auto data = folder ? store::DataFolder(*folder, separator)
                             : store::DataFolder::BesideProgram(*platform.shell, separator);
    const std::string ini = data.file(update::kUpdateIniName);
    const std::string server = update::LoadServerBase(*platform.files, ini);
    const auto outcome = update::CheckForUpdates(*platform.internet, *platform.ansi, server, ini);
    context.out << outcome.lblupdate << "\n" << outcome.lblnew << "\n";
    if (outcome.message) {
        context.err << "quorvel-cli: " << outcome.message->text << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

constexpr Command kCommands[] = {
    {"update-check", "[--data DIR]",
     "check the update server (update.ini in the Data folder) and print the two labels",
     &RunUpdateCheck},
};

} // namespace

std::span<const Command> UpdateCommands() {
    return kCommands;
}

} // namespace quorvel::cli
