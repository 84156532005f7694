#include "cli/Command.h"
#include "inspect/ModuleList.h"
#include "inspect/ProcessControl.h"
#include "inspect/ProcessImagePath.h"
#include "inspect/ProcessWindows.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <sstream>

namespace quorvel::cli {
namespace {

// The one PID argument: decimal digits within the signed 32-bit range the process
// operations take.
std::optional<int32_t> PidArgument(CommandContext& context, std::span<const std::string> args,
                                   int& usageStatus) {
    if (args.size() != 1) {
        usageStatus = UsageError(context, args.empty() ? "missing PID" : "expected one PID");
        return std::nullopt;
    }
    const std::string& text = args[0];
    int32_t pid = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (text.empty() || text[0] == '-' || text[0] == '+' || ec != std::errc() ||
        end != text.data() + text.size()) {
        usageStatus = UsageError(context, "not a process ID: '" + text + "'");
        return std::nullopt;
    }
    return pid;
}

// Runs action with the PID argument; a bad argument is a usage error, a failing
// operation is silent.
template <class Action>
int WithPid(CommandContext& context, std::span<const std::string> args, Action action) {
    int usageStatus = kExitOk;
    auto pid = PidArgument(context, args, usageStatus);
    if (!pid)
        return usageStatus;
    action(*pid);
    return kExitOk;
}

int Ps(CommandContext& context, std::span<const std::string> args) {
    if (!args.empty())
        return UsageError(context, "ps takes no arguments");
    auto listed = context.platform.processes->ListProcesses();
    if (!listed)
        return kExitOk;
    for (const auto& entry : listed.value())
        context.out << entry.pid << "=" << entry.exeName << "\n";
    return kExitOk;
}

int Threads(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args, [&](int32_t pid) {
        if (pid <= 0)
            return;
        auto threads = context.platform.processes->ListThreads(static_cast<uint32_t>(pid));
        if (!threads)
            return;
        for (const auto& thread : threads.value())
            context.out << thread.threadId << "\n";
    });
}

int Modules(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args, [&](int32_t pid) {
        for (const auto& line : inspect::ListModules(*context.platform.processes, pid))
            context.out << line << "\n";
    });
}

int Path(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args, [&](int32_t pid) {
        context.out << inspect::GetProcessImagePath(*context.platform.processes,
                                                    *context.platform.shell, pid)
                    << "\n";
    });
}

// The class in hex, and its name where the process view has one: "0x20 Normal".
int Priority(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args, [&](int32_t pid) {
        const uint32_t priorityClass = inspect::getPriority(*context.platform.processes, pid);
        std::ostringstream line;
        line << "0x" << std::hex << priorityClass;
        if (auto name = inspect::PriorityText(priorityClass))
            line << " " << *name;
        context.out << line.str() << "\n";
    });
}

int Windows(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args, [&](int32_t pid) {
        const auto titles = pid > 0 ? inspect::CollectWindowTitles(*context.platform.windows,
                                                                   static_cast<uint32_t>(pid))
                                    : std::vector<std::string>{};
        if (titles.empty())
            context.out << "No Associated Windows\n";
        for (const auto& title : titles)
            context.out << title << "\n";
    });
}

int Suspend(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args, [&](int32_t pid) {
        if (pid > 0)
            (void)context.platform.processes->SuspendProcess(static_cast<uint32_t>(pid));
    });
}

// --all: every process this user's guard (or `suspend`) still holds, each fully released.
int Resume(CommandContext& context, std::span<const std::string> args) {
    if (args.size() == 1 && args[0] == "--all") {
        auto& processes = *context.platform.processes;
        for (const auto& held : processes.ListHeldProcesses()) {
            bool released = true;
            for (uint32_t i = 0; i < held.holds; ++i)
                released = processes.ResumeProcess(held.pid).ok() && released;
            if (released)
                context.out << "resumed " << held.pid << "\n";
        }
        return kExitOk;
    }
    return WithPid(context, args, [&](int32_t pid) {
        if (pid > 0)
            (void)context.platform.processes->ResumeProcess(static_cast<uint32_t>(pid));
    });
}

int Kill(CommandContext& context, std::span<const std::string> args) {
    return WithPid(context, args,
                   [&](int32_t pid) { inspect::KillProcess(*context.platform.processes, pid); });
}

constexpr std::array kCommands{
    Command{"ps", "", "list the processes, one PID=name line each", Ps},
    Command{"threads", "PID", "list the thread IDs of a process", Threads},
    Command{"modules", "PID", "list the files mapped in a process, the executable first", Modules},
    Command{"path", "PID", "print the executable's full path (SYSTEM when unknown)", Path},
    Command{"priority", "PID", "print the priority class (0x0 when unreadable)", Priority},
    Command{"windows", "PID", "list the titles of a process's top-level windows", Windows},
    Command{"suspend", "PID", "hold a process (counted: each suspend needs a resume)", Suspend},
    Command{"resume", "PID | --all",
            "release one hold of a process, whoever held it; --all: every held process", Resume},
    Command{"kill", "PID", "end a process at once", Kill},
};

} // namespace

std::span<const Command> ProcessCommands() {
    return kCommands;
}

} // namespace quorvel::cli
