#pragma once

#include "platform/Processes.h"
#include "platform/Shell.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::inspect {

// What a process whose executable path cannot be found is called.
inline constexpr std::string_view kNoImagePath = "SYSTEM";

// Turns the native forms Windows reports for some system processes into ordinary paths:
// a leading "\??\" is dropped, else a leading "\SystemRoot\" becomes windir + "\".
std::string RewriteNativeImagePath(std::string_view path, std::string_view windir);

// Full path of the process's executable, or "SYSTEM" when it cannot be had.
std::string GetProcessImagePath(platform::Processes& processes, platform::Shell& shell,
                                int32_t pid);

} // namespace quorvel::inspect
