#pragma once

#include <cstddef>

namespace quorvel::bench {

// Linux only, for comparison with the guard's tick: reads /proc/PID/stat of every process
// and nothing else, as the cheapest possible enumeration. Returns the processes read.
size_t ReadEveryProcStat();

} // namespace quorvel::bench
