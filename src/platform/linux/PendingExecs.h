#pragma once

#include "platform/linux/ProcfsIo.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::platform::linux_backend {

// Execs kept inside execve by an unanswered fanotify permission event: the process has
// run nothing of the new program. Shared by the events' thread, which adds them, and the
// process backend, which lists them under the new program's name and holds, releases or
// kills them. Every answer goes to the kernel exactly once.
class PendingExecs {
public:
    explicit PendingExecs(int fanotifyFd) : m_fanotifyFd(fanotifyFd) {}
    ~PendingExecs(); // allows what is left: nothing stays frozen behind us

    // False when holding has stopped: the caller allows the event itself.
    bool Add(uint32_t pid, UniqueFd eventFd, std::string path, std::string name);

    // The program a pending exec runs, marking it as seen by a snapshot.
    std::optional<std::string> NameForListing(uint32_t pid);
    std::optional<std::string> PathOf(uint32_t pid);
    bool Contains(uint32_t pid);

    // SuspendProcess: the permission stays pending. False when pid has no pending exec.
    bool Hold(uint32_t pid);
    // ResumeProcess: the exec goes on.
    bool Allow(uint32_t pid);
    // KillProcess: the exec fails; the caller kills the process.
    bool Deny(uint32_t pid);
    // After a pass: what the snapshot saw and nobody held goes on; unjudged ones stay,
    // unseen again, for the next pass.
    void AllowSeenUnheld(const std::vector<uint32_t>& unjudged = {});
    // Execs still held are stopped (SIGSTOP, then allowed: they stop before their first
    // instruction); the rest go on; nothing is held from now on. Returns the stopped PIDs.
    std::vector<uint32_t> StopAll();
    size_t size();
    // An exec of pid was allowed within the window: a later event is the same execve
    // opening its interpreter.
    bool AllowedWithin(uint32_t pid, std::chrono::steady_clock::duration window);

private:
    struct Entry {
        UniqueFd eventFd;
        std::string path;
        std::string name;
        bool seen = false;
        bool held = false;
    };
    void Answer(uint32_t pid, Entry& entry, bool allow);

    int m_fanotifyFd;
    std::mutex m_mutex;
    std::map<uint32_t, Entry> m_entries;
    bool m_stopped = false;
    std::map<uint32_t, std::chrono::steady_clock::time_point> m_allowedAt;
};

} // namespace quorvel::platform::linux_backend
