#pragma once

#include "platform/Result.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace quorvel::platform {

// The program's place in the system: where it lives, how the user's locale writes dates
// and times, and starting other programs.
class Shell {
public:
    virtual ~Shell() = default;

    // Starts a program without waiting for it (ShellExecuteA, default verb, SW_SHOWNORMAL).
    virtual Status Execute(const std::string& file, const std::string& parameters,
                           const std::string& workingFolder) = 0;

    // Execute that also tells the started program's process ID (0 where the system does
    // not say), so a caller can show that it still runs.
    virtual Result<uint32_t> Launch(const std::string& file, const std::string& parameters,
                                    const std::string& workingFolder) {
        auto started = Execute(file, parameters, workingFolder);
        if (!started)
            return started.error();
        return 0u;
    }

    // Full path of the running executable, and its folder without a trailing separator.
    virtual std::string ExecutablePath() = 0;
    virtual std::string ProgramFolder() = 0;

    // Empty when unset.
    virtual std::string EnvironmentVariable(const std::string& name) = 0;

    // The user's short date form and time form of a moment in local time.
    virtual std::string ShortDateText(std::chrono::system_clock::time_point when) = 0;
    virtual std::string TimeText(std::chrono::system_clock::time_point when) = 0;

    // True when a 32-bit program runs on a 64-bit system (IsWow64Process), or the
    // system itself is 64-bit where there is no such layer.
    virtual bool Is64BitMachine() = 0;
};

} // namespace quorvel::platform
