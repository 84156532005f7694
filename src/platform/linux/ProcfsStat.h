#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform::linux_backend {

// The fields of /proc/PID/stat (or /proc/PID/task/TID/stat) that the backend uses.
struct ProcfsStat {
    uint32_t pid = 0;
    std::string comm; // the task's command name, the same text as /proc/PID/comm
    char state = '?'; // R, S, D, T (stopped), t, Z, X, I
    uint32_t parentPid = 0;
    uint32_t flags = 0; // PF_* bits
    int32_t nice = 0;
    uint32_t threadCount = 0;
    uint64_t startTime = 0; // clock ticks after boot
    uint32_t policy = 0;    // SCHED_* value; 0 when the kernel did not report it
};

inline constexpr uint32_t kPfKthread = 0x00200000;

// Parses one stat line. The command name may hold blanks and ')' characters, so the
// fields after it are read from the last ')'. Nothing when the line is malformed.
std::optional<ProcfsStat> ParseProcfsStat(std::string_view line);

} // namespace quorvel::platform::linux_backend
