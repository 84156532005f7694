#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <string>

namespace quorvel::scan {

// The report is written by another program; a larger one is not read at all.
inline constexpr uint64_t kMaxReportBytes = 64ull << 20;

// The bytes of a regular file of at most maxBytes. A folder, a pipe, a device or a larger
// file fails without being read, so a planted pipe or device cannot hang or flood the window.
platform::Result<std::string> ReadReportFile(platform::Files& files, const std::string& path,
                                             uint64_t maxBytes = kMaxReportBytes);

} // namespace quorvel::scan
