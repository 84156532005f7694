#pragma once

#include "platform/Processes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::inspect {

// Ends the process; every failure is silent.
void KillProcess(platform::Processes& processes, int32_t pid);

// Why "Kill Process" must not end pid, for a process of selfPid: nothing when it may.
// The program itself is never ended this way: its guard would go with it, and every
// process it holds would stay stopped with nobody to answer for it.
std::optional<std::string> KillRefusal(int32_t pid, uint32_t selfPid);

// "Kill Process" on the selected process: ends it unless KillRefusal forbids it, and
// returns the refusal to show.
std::optional<std::string> KillSelectedProcess(platform::Processes& processes, int32_t pid);

// The priority class, 0 when it cannot be read.
uint32_t getPriority(platform::Processes& processes, int32_t pid);

// "Normal", "Idle", "High" or "RealTime"; nothing for other classes (the label keeps
// what it showed).
std::optional<std::string> PriorityText(uint32_t priorityClass);

} // namespace quorvel::inspect
