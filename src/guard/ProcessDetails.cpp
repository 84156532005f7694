#include "guard/ProcessDetails.h"

#include "guard/CaseFold.h"
#include "inspect/ProcessControl.h"

#include <charconv>

namespace quorvel::guard {

ProcessDetails ShowProcessDetails(const ProcessTable& table, const Jail& jail,
                                  platform::Processes& processes, std::string_view name) {
    ProcessDetails details;
    const ProcessRecord* record = nullptr;
    for (const auto& slot : table.slots()) {
        if (slot.exeName == name) {
            record = &slot;
            break;
        }
    }
    const JailEntry* entry = nullptr;
    for (size_t i = 1; i < jail.slots().size(); ++i) {
        if (jail.slots()[i].exeName == name) {
            entry = &jail.slots()[i];
            break;
        }
    }

    if (record) {
        details.lblProcName = record->exeName;
        details.lblProcID = std::to_string(record->th32ProcessID);
        details.lblParentID = std::to_string(record->th32ParentProcessID);
        details.lblThreads = std::to_string(record->cntThreads);
        details.lblChd = std::to_string(record->windowCount);
        details.lblPriority = inspect::PriorityText(
            inspect::getPriority(processes, static_cast<int32_t>(record->th32ProcessID)));
    } else if (entry) {
        details.lblProcName = entry->exeName;
    }

    if (entry) {
        details.lblAccessAttempts = std::to_string(entry->attemptCount);
        details.lblLastAct = entry->lastAction;
        details.lastActColour = entry->lastAction == kVerdictBlocked ? LastActionColour::Blocked
                                                                     : LastActionColour::Other;
        details.lblFirstAccess = entry->firstAccessTime;
        details.lbllastAccess = entry->lastAccessTime;
    }
    return details;
}

std::optional<JailSelection> SelectJailItem(const Jail& jail, std::string_view item) {
    std::optional<JailSelection> shown;
    for (size_t i = 1; i < jail.slots().size(); ++i) {
        const JailEntry& entry = jail.slots()[i];
        if (!EqualsUpperCase(entry.exeName, item))
            continue;
        shown = JailSelection{std::to_string(entry.processId), entry.firstAccessTime,
                              entry.lastAccessTime, std::to_string(entry.attemptCount)};
    }
    return shown;
}

std::optional<int32_t> ParseProcessListPid(std::string_view line) {
    const std::string_view digits = line.substr(0, line.find('='));
    int32_t pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return pid;
}

} // namespace quorvel::guard
