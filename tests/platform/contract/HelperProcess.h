#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::contract {

// A program the test starts itself and ends itself, by its PID, when the object goes.
// One source file per system.
class HelperProcess {
public:
    // priorityClass: a Windows priority class to start with (0 for the default); other
    // systems start every helper at their default priority.
    static std::unique_ptr<HelperProcess> Start(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                uint32_t priorityClass = 0);

    HelperProcess(uint32_t pid, intptr_t handle) : m_pid(pid), m_handle(handle) {}
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    ~HelperProcess();

    uint32_t pid() const { return m_pid; }

    // Waits for the process to end; its exit code (Windows) or the signal that ended it,
    // negated (elsewhere), or nothing when it still runs after the timeout.
    std::optional<long> WaitForExit(std::chrono::milliseconds timeout);

private:
    uint32_t m_pid = 0;
    intptr_t m_handle = 0; // the process handle on Windows
    bool m_ended = false;
};

} // namespace quorvel::contract
