#pragma once

#include "platform/Processes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::inspect {

inline constexpr std::string_view kModuleCaution =
    "Caution : cannot emumerate modules from selected PID !";

// The lines of the module list of one process: full paths, the executable first, or the
// single caution line when the modules cannot be enumerated.
std::vector<std::string> ListModules(platform::Processes& processes, int32_t pid);

} // namespace quorvel::inspect
