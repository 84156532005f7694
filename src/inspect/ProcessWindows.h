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

// Clears the desktop before an alert.
void MinimizeAllWindows(platform::DesktopWindows& windows);

} // namespace quorvel::inspect
