#include "platform/ExecEvents.h"

namespace quorvel::platform {

// Windows keeps the timer: no exec events here.
std::unique_ptr<ExecEvents> CreateExecEvents(Processes&, ExecTriage, const ExecEventsOptions&) {
    return std::make_unique<NoExecEvents>();
}

} // namespace quorvel::platform
