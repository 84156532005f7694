#include "platform/ExecEvents.h"
#include "platform/linux/LinuxExecEvents.h"
#include "platform/linux/ProcfsProcesses.h"

namespace quorvel::platform {

std::unique_ptr<ExecEvents> CreateExecEvents(Processes& processes, ExecTriage triage,
                                             const ExecEventsOptions& options) {
    std::string why;
    // Holds go through the backend that lists processes; another one cannot list them.
    auto* procfs = dynamic_cast<linux_backend::ProcfsProcesses*>(&processes);
    if (auto events = linux_backend::LinuxExecEvents::Open(procfs, std::move(triage), options, why))
        return events;
    return std::make_unique<NoExecEvents>(why);
}

} // namespace quorvel::platform
