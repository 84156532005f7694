#pragma once

// Real processes and folders for the Linux backend's tests. Every process started here
// is ended here, by its PID.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvel::test {

// A fresh folder under /tmp, removed with its contents when destroyed.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// An int in memory shared with forked children, so a test can watch a child progress.
class SharedCounter {
public:
    SharedCounter();
    ~SharedCounter();
    SharedCounter(const SharedCounter&) = delete;
    SharedCounter& operator=(const SharedCounter&) = delete;
    uint64_t value() const;
    void increment();

private:
    void* m_memory = nullptr;
};

// A child process; killed with SIGKILL and reaped when destroyed, unless already reaped.
class ChildProcess {
public:
    // Forks and runs body in the child, which then exits with status 0.
    static ChildProcess Fork(const std::function<void()>& body);
    // Starts a program with arguments (argv[0] included), without a shell.
    static ChildProcess Spawn(const std::vector<std::string>& argv,
                              const std::vector<std::string>& extraEnvironment = {},
                              const std::string& outFile = {}, const std::string& errFile = {});
    // A child that counts up in counter about every millisecond, until it is killed.
    static ChildProcess Counting(SharedCounter& counter);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return m_pid; }
    uint32_t upid() const { return static_cast<uint32_t>(m_pid); }
    // Waits for the end; the raw waitpid status.
    int wait();
    // The raw waitpid status if the child has ended, without waiting.
    std::optional<int> poll();
    // Sends SIGKILL and waits.
    int kill();
    // Sends SIGTERM, so the child can clean up, and waits; SIGKILL after a while.
    int stop();

private:
    explicit ChildProcess(pid_t pid) : m_pid(pid) {}
    pid_t m_pid = -1;
};

// The state letter of /proc/PID/stat ('?' when unreadable).
char ProcessState(pid_t pid);

// Polls until predicate holds or the time is up; returns the last result.
bool WaitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// True when counter moves within a short while.
bool MakesProgress(const SharedCounter& counter);

// Runs body in a grandchild that is PID 1 of a new PID namespace and alone in its own
// process group, so that a stray kill(0) or kill(-1) can only reach it. Returns the
// grandchild's exit code, or -signal when a signal ended it.
int RunIsolated(const std::function<int()>& body);

struct ProgramResult {
    int exitCode = -1; // -1 when a signal ended it
    std::string out;
    std::string err;
};

// Runs a program to its end in its own process group, with extra environment entries
// (NAME=value, overriding), and collects what it printed.
ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment = {});

// Writes a file, creating it.
void WriteTextFile(const std::string& path, const std::string& text);

} // namespace quorvel::test
