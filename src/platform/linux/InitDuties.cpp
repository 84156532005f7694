#include "platform/InitDuties.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform {
namespace {

volatile std::sig_atomic_t g_program = 0;

extern "C" void PassOn(int signal) {
    if (g_program > 0)
        ::kill(g_program, signal);
}

} // namespace

std::optional<int> HandOverInitDuties() {
    if (::getpid() != 1)
        return std::nullopt;
    std::fflush(nullptr); // nothing buffered is written twice
    const pid_t program = ::fork();
    if (program < 0)
        return std::nullopt; // no reaper then, but the program still runs
    if (program == 0)
        return std::nullopt;
    g_program = program;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2})
        std::signal(signal, PassOn);
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(-1, &status, 0);
        if (ended < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        if (ended != program)
            continue; // an orphan's zombie, reaped
        if (WIFEXITED(status))
            return WEXITSTATUS(status);
        return 128 + WTERMSIG(status);
    }
}

} // namespace quorvel::platform
