#pragma once

#include "guard/Clock.h"

namespace quorvel::guard {

class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point now() const override;
};

} // namespace quorvel::guard
