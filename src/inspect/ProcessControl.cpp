#include "inspect/ProcessControl.h"

#include <array>
#include <utility>

namespace quorvel::inspect {

void KillProcess(platform::Processes& processes, int32_t pid) {
    if (pid <= 0)
        return;
    (void)processes.KillProcess(static_cast<uint32_t>(pid));
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
