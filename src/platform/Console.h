#pragma once

#include <chrono>
#include <memory>
#include <optional>

namespace quorvel::platform {

// The terminal on standard input, for programs that ask the user single keys.
class Console {
public:
    virtual ~Console() = default;

    // True when standard input is a terminal (and has not hung up).
    virtual bool IsInteractive() = 0;

    // Waits up to timeout for one key, read without echo and without waiting for Enter.
    // Nothing when no key came in time, when a signal cut the wait short, or when standard
    // input is not a terminal (its bytes are then never read).
    virtual std::optional<char> ReadKeyWithTimeout(std::chrono::milliseconds timeout) = 0;
};

// The console of the system this build is for (linux/LinuxConsole.cpp, win32/...).
std::unique_ptr<Console> CreateNativeConsole();

} // namespace quorvel::platform
