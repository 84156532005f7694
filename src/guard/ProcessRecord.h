#pragma once

#include "platform/Processes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::guard {

inline constexpr size_t kExeFileWidth = 260;
inline constexpr uint32_t kProcessEntrySize = 302;

// The name as the fixed-width exe-file field shows it: padded with blanks to 260.
std::string PaddedExeFile(std::string_view exeName);

// One process of a snapshot, in the shape of a Toolhelp process entry.
struct ProcessRecord {
    uint32_t dwSize = kProcessEntrySize;
    uint32_t cntUsage = 0;
    uint32_t th32ProcessID = 0; // 0 marks a free slot
    uint32_t th32DefaultHeapID = 0;
    uint32_t th32ModuleID = 0;
    uint32_t cntThreads = 0;
    uint32_t th32ParentProcessID = 0;
    int32_t pcPriClassBase = 0;
    uint32_t dwFlags = 0;
    int16_t windowCount = 0;
    std::string exeName; // file name only, as the system reported it

    std::string szExeFile() const { return PaddedExeFile(exeName); }
};

// The record of a listed process, under the name the snapshot gives it.
ProcessRecord RecordOf(const platform::ProcessEntry& entry, std::string exeName);

} // namespace quorvel::guard
