#pragma once

#include <chrono>

namespace quorvel::guard {

// Where the guard reads the present moment for its time stamps and jail times.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

} // namespace quorvel::guard
