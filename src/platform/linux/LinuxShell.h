#pragma once

#include "platform/Shell.h"

#include <locale.h>

namespace quorvel::platform::linux_backend {

// The program's place on a Linux system.
class LinuxShell final : public Shell {
public:
    LinuxShell();
    ~LinuxShell() override;
    LinuxShell(const LinuxShell&) = delete;
    LinuxShell& operator=(const LinuxShell&) = delete;

    // Runs file (searched in PATH when it has no slash) with the parameters split on
    // blanks, in workingFolder when it is not empty, detached: the program is not waited
    // for and never becomes our zombie. Fails when it cannot be started at all.
    Status Execute(const std::string& file, const std::string& parameters,
                   const std::string& workingFolder) override;
    // The same; the ID is the program's own, not the short-lived middle child's.
    Result<uint32_t> Launch(const std::string& file, const std::string& parameters,
                            const std::string& workingFolder) override;

    std::string ExecutablePath() override;
    std::string ProgramFolder() override;
    std::string EnvironmentVariable(const std::string& name) override;

    // strftime's %x and %X in the user's LC_TIME locale (LC_ALL, LC_TIME, LANG), read
    // when the object is made; the C locale when that cannot be loaded.
    std::string ShortDateText(std::chrono::system_clock::time_point when) override;
    std::string TimeText(std::chrono::system_clock::time_point when) override;

    // True when the kernel reports a 64-bit machine (uname). A 32-bit build sees the
    // machine the way IsWow64Process does on Windows; under a 32-bit personality
    // (linux32) the kernel reports a 32-bit machine and so do we.
    bool Is64BitMachine() override;

private:
    std::string format(std::chrono::system_clock::time_point when, const char* pattern) const;

    locale_t m_timeLocale = nullptr;
};

} // namespace quorvel::platform::linux_backend
