#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::guard::testing {

// Polls the condition until it holds, up to the deadline.
bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds deadline);

// The tests' own child processes, Linux only. Every child is ended by its PID: the
// destructor kills and reaps it if the test has not.
class ChildProcess {
public:
    // Starts argv[0] (a path) with these arguments. stdinFd and stdoutFd, when not -1, become
    // the child's standard input and output; otherwise both are /dev/null.
    explicit ChildProcess(const std::vector<std::string>& argv, int stdinFd = -1,
                          int stdoutFd = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }

    // The state letter of /proc/PID/stat (R, S, T, Z...), or nothing once reaped or gone.
    std::optional<char> State() const;
    // Polls State() until it is one of the letters, up to the deadline.
    bool WaitForState(const std::string& letters, std::chrono::milliseconds deadline) const;
    // Reaps the child when it has ended, up to the deadline; its signal number if a signal
    // ended it, 0 for a normal exit, nothing when it still runs.
    std::optional<int> WaitForExit(std::chrono::milliseconds deadline);
    // The exit status once reaped after a normal exit.
    std::optional<int> ExitCode() const { return m_exitCode; }

    void Signal(int signal) const;
    // SIGKILL (after SIGCONT, in case it is held) and reap.
    void KillAndReap();

private:
    int m_pid = -1;
    bool m_reaped = false;
    std::optional<int> m_exitCode;
};

// A pipe whose read end the test keeps: for a child's standard output.
class OutputPipe {
public:
    OutputPipe();
    ~OutputPipe();
    int writeEnd() const { return m_write; }
    // Closes the test's copy of the write end once the child has it.
    void CloseWriteEnd();
    // Reads until text appears in everything read so far, up to the deadline.
    bool ReadUntil(const std::string& text, std::chrono::milliseconds deadline);
    const std::string& text() const { return m_text; }

private:
    int m_read = -1;
    int m_write = -1;
    std::string m_text;
};

// A pseudo-terminal: the child gets the terminal side as its standard input.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    int terminalFd() const { return m_terminal; }
    void Type(char key) const;

private:
    int m_controller = -1;
    int m_terminal = -1;
};

// An empty folder in the temporary folder, named prefix + "-" + the running test's name.
std::filesystem::path FreshFolderForTest(const std::string& prefix);

// True when this process is PID 1 of the PID namespace scripts/guard-in-namespace.sh made.
bool InOwnPidNamespace();

} // namespace quorvel::guard::testing
