#include "guard/SystemClock.h"

namespace quorvel::guard {

std::chrono::system_clock::time_point SystemClock::now() const {
    return std::chrono::system_clock::now();
}

} // namespace quorvel::guard
