#pragma once

#include "platform/linux/ExecImage.h"
#include "platform/linux/ProcfsIo.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::platform::linux_backend {

// What the exec of one task looked like when its first permission event came: the later
// events of the same execve (the ELF interpreter it names) come from the same task,
// still in the same system call, with the old program still its executable.
struct ExecMark {
    std::optional<FileId> oldImage;    // /proc/PID/exe while the execve waits
    std::optional<std::string> call;   // /proc/PID/syscall while it waits
    std::optional<FileId> interpreter; // PT_INTERP of the file being executed
    uint64_t startTime = 0;
};

// Execs the guard holds: at first by an unanswered fanotify permission event, so the
// process has run nothing of the new program; past a bound of such events, or of time,
// by SIGSTOP sent before the event is allowed, so that the process stops before its
// first instruction and the kernel's event is answered. Shared by the events' thread,
// which adds them, and the process backend, which lists them under the new program's
// name and holds, releases or kills them. Every answer goes to the kernel exactly once;
// an entry whose process ends is dropped with its descriptors at once.
class PendingExecs {
public:
    struct Limits {
        size_t events = 64;   // permission events kept unanswered
        size_t pidFds = 1024; // processes watched for their end; past it, passes look
        std::chrono::steady_clock::duration age = std::chrono::seconds(20); // per event
    };
    // Told of a process that ended while held (for its suspend record).
    using Ended = std::function<void(uint32_t pid, uint64_t startTime)>;

    PendingExecs(int fanotifyFd, Limits limits);
    PendingExecs(int fanotifyFd) : PendingExecs(fanotifyFd, Limits{}) {}
    ~PendingExecs(); // lets go what is left: nothing stays frozen behind us

    void OnEnded(Ended ended) { m_ended = std::move(ended); }

    // False when holding has stopped: eventFd is left to the caller to answer.
    bool Add(uint32_t pid, UniqueFd& eventFd, std::string path, std::string name, ExecMark mark);

    // The program a pending exec runs, marking it as seen by a snapshot.
    std::optional<std::string> NameForListing(uint32_t pid);
    std::optional<std::string> PathOf(uint32_t pid);
    bool Contains(uint32_t pid);

    // SuspendProcess: the hold stays. False when pid has no pending exec.
    bool Hold(uint32_t pid);
    // ResumeProcess: the exec goes on.
    bool Allow(uint32_t pid);
    // KillProcess: the exec fails; the caller kills the process.
    bool Deny(uint32_t pid);
    // After a pass: what the snapshot saw and nobody held goes on; unjudged ones stay,
    // unseen again, for the next pass. Entries whose process is gone are dropped.
    void AllowSeenUnheld(const std::vector<uint32_t>& unjudged = {});
    // Execs still held are stopped (SIGSTOP, then allowed: they stop before their first
    // instruction); the rest go on; nothing is held from now on. Returns the stopped PIDs.
    std::vector<uint32_t> StopAll();
    // Permission events past their age become stops; the time until the next one is due.
    std::optional<std::chrono::steady_clock::duration> Expire();
    // Every permission event becomes a stop: descriptors are short.
    void StopHoldingEvents();
    // Readable when a held process has ended; DropEnded then drops it.
    int endedFd() const { return m_epoll.get(); }
    void DropEnded();

    size_t size();
    size_t eventCount();

    // The exec of pid was allowed: its next event is the same execve opening the ELF
    // interpreter when mark says so and the task is still in that call. Any other next
    // event is an exec of its own. One use.
    void NoteAllowed(uint32_t pid, const ExecMark& mark);
    bool IsSameExec(uint32_t pid, int eventFd);

private:
    struct Entry {
        UniqueFd eventFd; // the kernel's permission event, until answered
        UniqueFd pidFd;   // readable once the process has ended
        std::string path;
        std::string name;
        ExecMark mark;
        std::chrono::steady_clock::time_point since;
        bool seen = false;
        bool held = false;
        bool stopped = false; // by our SIGSTOP, its event answered
    };
    void Answer(uint32_t pid, Entry& entry, bool allow);
    void NoteAllowedLocked(uint32_t pid, const ExecMark& mark);
    void StopInstead(uint32_t pid, Entry& entry);
    // Lets the process go on, whichever way it is held.
    void Release(uint32_t pid, Entry& entry);
    void Erase(std::map<uint32_t, Entry>::iterator it);
    bool Signal(const Entry& entry, uint32_t pid, int signal) const;
    bool Gone(uint32_t pid, const Entry& entry) const;

    int m_fanotifyFd;
    Limits m_limits;
    UniqueFd m_epoll;
    Ended m_ended;
    std::mutex m_mutex;
    std::map<uint32_t, Entry> m_entries;
    size_t m_events = 0; // entries whose eventFd is still open
    size_t m_pidFds = 0; // entries whose pidFd is open
    bool m_stopped = false;
    struct Allowed {
        ExecMark mark;
        std::chrono::steady_clock::time_point at;
    };
    std::map<uint32_t, Allowed> m_allowed;
};

} // namespace quorvel::platform::linux_backend
