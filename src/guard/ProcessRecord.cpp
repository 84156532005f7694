#include "guard/ProcessRecord.h"

#include <utility>

namespace quorvel::guard {

std::string PaddedExeFile(std::string_view exeName) {
    std::string padded(exeName);
    if (padded.size() < kExeFileWidth)
        padded.resize(kExeFileWidth, ' ');
    return padded;
}

ProcessRecord RecordOf(const platform::ProcessEntry& entry, std::string exeName) {
    ProcessRecord record;
    record.cntUsage = entry.usage;
    record.th32ProcessID = entry.pid;
    record.th32DefaultHeapID = entry.defaultHeapId;
    record.th32ModuleID = entry.moduleId;
    record.cntThreads = entry.threadCount;
    record.th32ParentProcessID = entry.parentPid;
    record.pcPriClassBase = entry.basePriority;
    record.dwFlags = entry.flags;
    record.exeName = std::move(exeName);
    return record;
}

} // namespace quorvel::guard
