#pragma once

#include "platform/DesktopWindows.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvel::inspect {

inline constexpr size_t kMaxWindowTitles = 100;

// Number of titled top-level windows (hidden ones too) per owner PID, from one walk.
std::unordered_map<uint32_t, int16_t> CountProcessWindows(platform::DesktopWindows& windows);

// Titles of the titled top-level windows of pid, in enumeration order, at most 100.
std::vector<std::string> CollectWindowTitles(platform::DesktopWindows& windows, uint32_t pid);

// The windows that clearing the desktop minimises: those on the screen, except the
// program's own (ownPid): an open alert, message box or list of it must stay answerable.
std::vector<uint64_t> WindowsToClear(const std::vector<platform::TopLevelWindow>& windows,
                                     uint32_t ownPid);

// Clears the desktop before an alert, leaving the program's own windows alone.
void MinimizeAllWindows(platform::DesktopWindows& windows, uint32_t ownPid);

} // namespace quorvel::inspect
