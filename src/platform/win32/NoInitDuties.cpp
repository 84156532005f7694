#include "platform/InitDuties.h"

namespace quorvel::platform {

// Windows has no PID 1 that inherits orphans.
std::optional<int> HandOverInitDuties() {
    return std::nullopt;
}

} // namespace quorvel::platform
