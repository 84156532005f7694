#include "platform/linux/TestProcesses.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorvel::test {

TempFolder::TempFolder() {
    char name[] = "/tmp/quorvel-test-XXXXXX";
    if (!::mkdtemp(name))
        throw std::runtime_error("mkdtemp failed");
    m_path = name;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

SharedCounter::SharedCounter() {
    m_memory = ::mmap(nullptr, sizeof(std::atomic<uint64_t>), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (m_memory == MAP_FAILED)
        throw std::runtime_error("mmap failed");
    new (m_memory) std::atomic<uint64_t>(0);
}

SharedCounter::~SharedCounter() {
    ::munmap(m_memory, sizeof(std::atomic<uint64_t>));
}

uint64_t SharedCounter::value() const {
    return static_cast<std::atomic<uint64_t>*>(m_memory)->load();
}

void SharedCounter::increment() {
    static_cast<std::atomic<uint64_t>*>(m_memory)->fetch_add(1);
}

ChildProcess ChildProcess::Fork(const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // a crashed test leaves no child behind
        body();
        ::_exit(0);
    }
    return ChildProcess(pid);
}

ChildProcess ChildProcess::Spawn(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& extraEnvironment,
                                 const std::string& outFile, const std::string& errFile) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // Later entries win: drop inherited ones that the extra entries override.
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const auto name = entry.substr(0, entry.find('=') + 1);
        bool overridden = false;
        for (const auto& extra : extraEnvironment)
            overridden = overridden || extra.starts_with(name);
        if (!overridden)
            env.push_back(*e);
    }
    for (const auto& e : extraEnvironment)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // a crashed test leaves no child behind
        if (!outFile.empty()) {
            const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
        }
        if (!errFile.empty()) {
            const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
        }
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    return ChildProcess(pid);
}

ChildProcess ChildProcess::Counting(SharedCounter& counter) {
    return Fork([&counter] {
        for (;;) {
            counter.increment();
            ::usleep(1000);
        }
    });
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_pid(other.m_pid) {
    other.m_pid = -1;
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0)
        kill();
}

int ChildProcess::wait() {
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return status;
}

std::optional<int> ChildProcess::poll() {
    int status = 0;
    if (m_pid <= 0 || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return std::nullopt;
    m_pid = -1;
    return status;
}

int ChildProcess::kill() {
    if (m_pid <= 0)
        return 0;
    ::kill(m_pid, SIGKILL);
    return wait();
}

int ChildProcess::stop() {
    if (m_pid <= 0)
        return 0;
    ::kill(m_pid, SIGTERM);
    std::optional<int> status;
    if (WaitUntil([&] { return (status = poll()).has_value(); }, std::chrono::seconds(5)))
        return *status;
    return kill();
}

char ProcessState(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return '?';
    const size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
}

bool WaitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (predicate())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return predicate();
}

bool MakesProgress(const SharedCounter& counter) {
    const uint64_t before = counter.value();
    return WaitUntil([&] { return counter.value() != before; }, std::chrono::milliseconds(300));
}

int RunIsolated(const std::function<int()>& body) {
    const pid_t outer = ::fork();
    if (outer < 0)
        throw std::runtime_error("fork failed");
    if (outer == 0) {
        ::setpgid(0, 0);
        if (::unshare(CLONE_NEWPID) != 0)
            ::_exit(77);
        const pid_t inner = ::fork();
        if (inner < 0)
            ::_exit(78);
        if (inner == 0)
            ::_exit(body());
        int status = 0;
        ::waitpid(inner, &status, 0);
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    int status = 0;
    while (::waitpid(outer, &status, WUNTRACED) < 0 && errno == EINTR) {
    }
    if (WIFSTOPPED(status)) {
        ::kill(outer, SIGKILL);
        ::waitpid(outer, &status, 0);
        return -SIGSTOP;
    }
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment) {
    TempFolder folder;
    auto child = ChildProcess::Spawn(argv, extraEnvironment, folder / "out", folder / "err");
    const int status = child.wait();
    auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    ProgramResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(folder / "out");
    result.err = slurp(folder / "err");
    return result;
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace quorvel::test
