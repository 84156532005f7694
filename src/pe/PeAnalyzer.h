#pragma once

#include "pe/PeAnalysis.h"
#include "platform/Files.h"

#include <cstddef>
#include <span>
#include <string>

namespace quorvel::pe {

// Maps the file read-only (sharing read, write and delete, so a running program or a
// read-only file is analysed too) and reports on it; "Unable to open" only when the file
// cannot be read at all.
PeAnalysis AnalyzePeFile(platform::Files& files, const std::string& path);

// The same walk over bytes already in memory; path only goes into the status text.
PeAnalysis AnalyzePeBytes(std::span<const std::byte> bytes, const std::string& path);

} // namespace quorvel::pe
