#include "platform/contract/HelperProcess.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorvel::contract {

std::unique_ptr<HelperProcess> HelperProcess::Start(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    uint32_t) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return nullptr;
    return std::make_unique<HelperProcess>(static_cast<uint32_t>(pid), 0);
}

std::optional<long> HelperProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG);
        if (done == static_cast<pid_t>(m_pid)) {
            m_ended = true;
            return WIFSIGNALED(status) ? -static_cast<long>(WTERMSIG(status))
                                       : static_cast<long>(WEXITSTATUS(status));
        }
        if (done < 0 || std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

HelperProcess::~HelperProcess() {
    if (m_ended)
        return;
    ::kill(static_cast<pid_t>(m_pid), SIGKILL);
    // A stopped process dies of SIGKILL too; reap it so no zombie outlives the test.
    int status = 0;
    ::waitpid(static_cast<pid_t>(m_pid), &status, 0);
}

} // namespace quorvel::contract
