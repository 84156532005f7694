#pragma once

#include "platform/Processes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::inspect {

// Ends the process; every failure is silent.
void KillProcess(platform::Processes& processes, int32_t pid);

// The priority class, 0 when it cannot be read.
uint32_t getPriority(platform::Processes& processes, int32_t pid);

// "Normal", "Idle", "High" or "RealTime"; nothing for other classes (the label keeps
// what it showed).
std::optional<std::string> PriorityText(uint32_t priorityClass);

} // namespace quorvel::inspect
