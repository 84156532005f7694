#pragma once

#include <cstddef>
#include <vector>

namespace quorvel::bench {

// Linux only: a pool of sleeping child processes (/bin/sleep), grown in bounded batches
// and ended by PID.
class SleepingChildren {
public:
    ~SleepingChildren();
    // Starts or ends children until `count` of them run.
    void Resize(size_t count);
    size_t size() const { return m_pids.size(); }

private:
    std::vector<int> m_pids;
};

// True when this process is PID 1 of a PID namespace made for it.
bool InOwnPidNamespace();

} // namespace quorvel::bench
