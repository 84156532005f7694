#include "guard/namespace/ChildProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorvel::guard::testing {

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, int stdinFd, int stdoutFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + argv[0]);
    m_pid = pid;
}

ChildProcess::~ChildProcess() {
    if (!m_reaped)
        KillAndReap();
}

std::optional<char> ChildProcess::State() const {
    if (m_reaped)
        return std::nullopt;
    std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size())
        return std::nullopt;
    return text[close + 2];
}

bool ChildProcess::WaitForState(const std::string& letters,
                                std::chrono::milliseconds deadline) const {
    const auto end = Clock::now() + deadline;
    do {
        if (auto state = State(); state && letters.find(*state) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < end);
    return false;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    do {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_reaped = true;
            if (WIFEXITED(status))
                m_exitCode = WEXITSTATUS(status);
            return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < end);
    return std::nullopt;
}

void ChildProcess::Signal(int signal) const {
    if (!m_reaped)
        kill(m_pid, signal);
}

void ChildProcess::KillAndReap() {
    if (m_reaped)
        return;
    kill(m_pid, SIGCONT);
    kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_reaped = true;
}

OutputPipe::OutputPipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    m_read = fds[0];
    m_write = fds[1];
}

OutputPipe::~OutputPipe() {
    CloseWriteEnd();
    close(m_read);
}

void OutputPipe::CloseWriteEnd() {
    if (m_write >= 0)
        close(m_write);
    m_write = -1;
}

bool OutputPipe::ReadUntil(const std::string& text, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    while (m_text.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd input{m_read, POLLIN, 0};
        if (poll(&input, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(m_read, buffer, sizeof buffer);
        if (got <= 0)
            return m_text.find(text) != std::string::npos;
        m_text.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

PseudoTerminal::PseudoTerminal() {
    m_controller = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_controller < 0 || grantpt(m_controller) != 0 || unlockpt(m_controller) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_terminal = open(ptsname(m_controller), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_terminal < 0)
        throw std::runtime_error("cannot open the terminal side");
}

PseudoTerminal::~PseudoTerminal() {
    close(m_terminal);
    close(m_controller);
}

void PseudoTerminal::Type(char key) const {
    (void)write(m_controller, &key, 1);
}

bool InOwnPidNamespace() {
    const char* marker = std::getenv("QUORVEL_PID_NAMESPACE");
    return marker != nullptr && std::string(marker) == "1" && getpid() == 1;
}

std::filesystem::path FreshFolderForTest(const std::string& prefix) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        (prefix + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace quorvel::guard::testing
