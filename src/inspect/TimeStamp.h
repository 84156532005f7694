#pragma once

#include "platform/Shell.h"

#include <chrono>
#include <string>

namespace quorvel::inspect {

// The short date, " : ", and the time, in the user's forms.
std::string CurrentTimeStamp(platform::Shell& shell, std::chrono::system_clock::time_point now);

} // namespace quorvel::inspect
