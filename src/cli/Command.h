#pragma once

#include "platform/Platform.h"
#include "store/DataFolder.h"

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace quorvel::cli {

// Exit statuses: operations that fail are silent, as in the desktop program; only a
// command line that cannot be understood is an error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CommandContext {
    platform::Platform& platform;
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::string_view name;
    std::string_view usage; // the arguments after the name, for the usage text
    std::string_view summary;
    int (*run)(CommandContext& context, std::span<const std::string> args);
};

// Each group lives in its own source file.
std::span<const Command> ProcessCommands(); // ProcessCommands.cpp
std::span<const Command> GuardCommands();   // GuardCommands.cpp
std::span<const Command> StoreCommands();   // StoreCommands.cpp
std::span<const Command> PeCommands();      // PeCommands.cpp
std::span<const Command> UpdateCommands();  // UpdateCommands.cpp

// The running program's Data folder: beside it in a portable copy, else the user's own,
// seeded from the shared defaults on first use (a problem there is told on err, and the
// command goes on as with missing files). StoreCommands.cpp. Needs shell and files.
store::DataFolder ProgramDataFolder(CommandContext& context);

// Prints "quorvel-cli: " and the message on err; returns kExitUsage.
int UsageError(CommandContext& context, std::string_view message);

} // namespace quorvel::cli
