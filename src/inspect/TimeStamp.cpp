#include "inspect/TimeStamp.h"

namespace quorvel::inspect {

std::string CurrentTimeStamp(platform::Shell& shell, std::chrono::system_clock::time_point now) {
    return shell.ShortDateText(now) + " : " + shell.TimeText(now);
}

} // namespace quorvel::inspect
