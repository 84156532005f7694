#include "inspect/ProcessControl.h"

#include <array>
#include <utility>

namespace quorvel::inspect {

void KillProcess(platform::Processes& processes, int32_t pid) {
    if (pid <= 0)
        return;
    (void)processes.KillProcess(static_cast<uint32_t>(pid));
}

std::optional<std::string> KillRefusal(int32_t pid, uint32_t selfPid) {
    if (pid > 0 && static_cast<uint32_t>(pid) == selfPid)
        return "Quorvel can't kill itself: process " + std::to_string(pid) +
               " is this program. Use Exit to close it, which first offers to resume the "
               "processes it holds.";
    return std::nullopt;
}

std::optional<std::string> KillSelectedProcess(platform::Processes& processes, int32_t pid) {
    if (auto refusal = KillRefusal(pid, processes.CurrentProcessId()))
        return refusal;
    KillProcess(processes, pid);
    return std::nullopt;
}

uint32_t getPriority(platform::Processes& processes, int32_t pid) {
    if (pid <= 0)
        return platform::kPriorityUnknown;
    return processes.GetPriorityClass(static_cast<uint32_t>(pid));
}

std::optional<std::string> PriorityText(uint32_t priorityClass) {
    static constexpr std::array<std::pair<uint32_t, const char*>, 4> kNames{{
        {platform::kPriorityNormal, "Normal"},
        {platform::kPriorityIdle, "Idle"},
        {platform::kPriorityHigh, "High"},
        {platform::kPriorityRealTime, "RealTime"},
    }};
    for (const auto& [value, name] : kNames) {
        if (value == priorityClass)
            return name;
    }
    return std::nullopt;
}

} // namespace quorvel::inspect
