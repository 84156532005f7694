#pragma once

#include "platform/DecisionAudit.h"
#include "platform/Processes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel::platform {

// Where the guard learns of new programs, best first.
enum class ExecSource {
    Fanotify,      // exec permission events: a program can be held before it runs
    ProcConnector, // the kernel's exec and exit notices: the guard runs a pass at once
    None,          // the timer alone
};

// What the events' own thread answers an exec with, at once.
enum class ExecVerdict {
    Allow, // runs on at once (trusted, announced, the guard's own, unseen)
    Deny,  // never runs: execve fails and the process is killed
    Hold,  // stays inside execve until the guard's pass decides
};

// One exec, as the events' thread sees it.
struct ExecRequest {
    uint32_t pid = 0;
    std::string path; // of the program being executed
    std::string name; // its file name
};

// Called on the events' own thread, never on the user-interface thread: must not wait
// for that thread or for a snapshot.
using ExecTriage = std::function<ExecVerdict(const ExecRequest&)>;

// An exec the events' thread denied: the guard never sees that process run it.
struct DeniedExec {
    uint32_t pid = 0; // 0: a process the guard cannot see, or cannot name
    uint32_t parentPid = 0;
    std::string path;
    std::string name;
    std::string reason; // what could not be done or known; empty for a plain verdict
    // Read before the process was killed, for the audit log: nothing is left to read later.
    std::optional<uint32_t> ownerId;
    std::shared_ptr<const ExecutedFile> file;
};

// An exec the events' thread let go on although it was to be held, and why.
struct UnheldExec {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    std::string path;
    std::string name;
    std::string reason;
};

// What came in since the last drain.
struct ExecDrain {
    bool passNeeded = false; // an exec (or an exit) was reported
    bool lost = false;       // the queue overflowed: only a full pass is sure to be current
    std::vector<DeniedExec> denied;
    std::vector<UnheldExec> unheld;
    // The processes that exec'd (or forked) and those that exited since the last drain,
    // each at most once per drain, so that a pass can read just them. Bounded: past the
    // bound the lists stop and lost is set. Both empty while passNeeded: a source that
    // names no process, only a full pass knows.
    std::vector<uint32_t> execs;
    std::vector<uint32_t> exits;
    // Execs let go at once (not held): the program each runs. Read at once, such a process
    // may still show the program it replaces, since execve goes on after the answer.
    std::vector<std::pair<uint32_t, std::string>> execNames;
};

// How many PIDs one drain carries before it gives up and asks for a full pass.
inline constexpr size_t kMaxDrainPids = 4096;

// Exec events of the machine. Driven from one thread (the guard's): poll pollFd() for
// reading, then call Drain(), which never blocks; bursts collapse into one drain.
class ExecEvents {
public:
    virtual ~ExecEvents() = default;

    virtual ExecSource source() const = 0;
    // One line naming the source and what it can do, for the start line and the log.
    virtual std::string description() const = 0;
    // Readable when Drain() has something; -1 when there are no events (the timer only).
    virtual int pollFd() const = 0;
    virtual ExecDrain Drain() = 0;
    // Waits up to timeout for pollFd() to become readable (for loops without their own
    // poll); false at once when there are no events.
    virtual bool Wait(std::chrono::milliseconds timeout) = 0;
    // Still delivering, and delivering exits too: only then may a timer pass that
    // follows no event be skipped.
    virtual bool live() const = 0;
    virtual bool reportsExits() const = 0;

    // After a pass: held execs that the pass saw and did not suspend go on, except
    // unjudged ones, which stay held for the next pass.
    virtual void SettlePending(const std::vector<uint32_t>& unjudged) = 0;
    // Before the guard lets go: execs still held become stopped processes (resumable
    // like any other hold), and no new exec is held.
    virtual void StopHolding() = 0;
};

// Events that never come: Windows, or a Linux process without the capability.
class NoExecEvents final : public ExecEvents {
public:
    explicit NoExecEvents(std::string why = {}) : m_why(std::move(why)) {}
    ExecSource source() const override { return ExecSource::None; }
    std::string description() const override {
        return m_why.empty() ? "timer only" : "timer only (" + m_why + ")";
    }
    int pollFd() const override { return -1; }
    ExecDrain Drain() override { return {}; }
    bool Wait(std::chrono::milliseconds) override { return false; }
    bool live() const override { return false; }
    bool reportsExits() const override { return false; }
    void SettlePending(const std::vector<uint32_t>&) override {}
    void StopHolding() override {}

private:
    std::string m_why;
};

struct ExecEventsOptions {
    // Mount points to watch for exec permission; empty: every mount where programs can
    // run, and mounts added later.
    std::vector<std::string> mountPoints;
    // Sources not to try (tests of the fallbacks).
    bool noFanotify = false;
    bool noProcConnector = false;
};

// The best source this process may open. processes is the backend that lists and holds
// processes: held execs are listed, suspended, resumed and killed through it.
std::unique_ptr<ExecEvents> CreateExecEvents(Processes& processes, ExecTriage triage,
                                             const ExecEventsOptions& options = {});

} // namespace quorvel::platform
