#pragma once

namespace quorvel::guard {

struct GuardFlags {
    bool listRefreshPending = true; // List1 must be rebuilt at the next tick
    bool firstSnapshot = true;      // start-up's snapshot only records
    bool started = false;           // set by the first Start, never cleared
    bool running = false;           // Start has enabled the timer
};

} // namespace quorvel::guard
