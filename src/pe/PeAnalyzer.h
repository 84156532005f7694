#pragma once

#include "pe/PeAnalysis.h"
#include "pe/ReportText.h"
#include "platform/Files.h"

#include <cstddef>
#include <span>
#include <string>

namespace quorvel::pe {

// Reads the file (sharing read, write and delete, so a running program or a read-only
// file is analysed too) and reports on it; "Unable to open" when it is no regular file,
// is larger than the cap, or cannot be read at all.
PeAnalysis AnalyzePeFile(platform::Files& files, const std::string& path);

// The same walk over bytes already in memory; path only goes into the status text. Each
// report text is cut at textLimit bytes.
PeAnalysis AnalyzePeBytes(std::span<const std::byte> bytes, const std::string& path,
                          size_t textLimit = kReportTextLimit);

} // namespace quorvel::pe
