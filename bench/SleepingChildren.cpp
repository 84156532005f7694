#include "SleepingChildren.h"

#include <algorithm>
#include <cstdlib>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel::bench {

namespace {

constexpr size_t kBatch = 100;

void EndChild(int pid) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

} // namespace

SleepingChildren::~SleepingChildren() {
    Resize(0);
}

void SleepingChildren::Resize(size_t count) {
    while (m_pids.size() > count) {
        EndChild(m_pids.back());
        m_pids.pop_back();
    }
    char sleepPath[] = "/bin/sleep";
    char seconds[] = "3600";
    char* argv[] = {sleepPath, seconds, nullptr};
    while (m_pids.size() < count) {
        const size_t batch = std::min(kBatch, count - m_pids.size());
        for (size_t i = 0; i < batch; ++i) {
            pid_t pid = -1;
            if (posix_spawn(&pid, sleepPath, nullptr, nullptr, argv, environ) != 0)
                return;
            m_pids.push_back(pid);
        }
        usleep(20'000); // let the batch exec before the next one
    }
}

bool InOwnPidNamespace() {
    const char* marker = std::getenv("QUORVEL_PID_NAMESPACE");
    return marker != nullptr && std::string(marker) == "1" && getpid() == 1;
}

} // namespace quorvel::bench
