#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::platform {

// One entry of a process snapshot, in the shape of a Toolhelp process entry.
struct ProcessEntry {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    uint32_t threadCount = 0;
    int32_t basePriority = 0;
    uint32_t usage = 0;         // cntUsage; 0 where the system has no such notion
    uint32_t defaultHeapId = 0; // th32DefaultHeapID
    uint32_t moduleId = 0;      // th32ModuleID
    uint32_t flags = 0;         // dwFlags
    std::string exeName;        // file name only, no folder (UTF-8)
    uint64_t startTime = 0;     // identifies this process among reuses of its PID; 0 if unknown
    // A child that has not executed a program of its own since it was forked: the same
    // executable and name as its parent. It is judged once it executes one.
    bool forkCopy = false;
    // Held inside execve, listed under the program it executes: new whatever else of
    // that name runs or ended.
    bool execPending = false;
};

// A process that a hold of this user's guard still keeps stopped.
struct HeldProcess {
    uint32_t pid = 0;
    uint32_t holds = 0;         // suspends not yet matched by resumes
    bool holderRunning = false; // false: the guard that held it has ended (a crash)
};

// One entry of a thread snapshot, in the shape of a Toolhelp thread entry.
struct ThreadEntry {
    uint32_t threadId = 0;
    uint32_t ownerPid = 0;
    int32_t basePriority = 0;
    int32_t deltaPriority = 0;
    uint32_t usage = 0;
    uint32_t flags = 0;
};

// Priority classes as Windows names them; the Linux backend maps nice values onto them.
enum PriorityClass : uint32_t {
    kPriorityUnknown = 0,
    kPriorityNormal = 0x20,
    kPriorityIdle = 0x40,
    kPriorityHigh = 0x80,
    kPriorityRealTime = 0x100,
    kPriorityBelowNormal = 0x4000,
    kPriorityAboveNormal = 0x8000,
};

// Processes and threads of the machine.
class Processes {
public:
    virtual ~Processes() = default;

    // Every real process, oldest first where the system tells (start-time order, so that after a
    // reuse of PIDs the newest instance of a name is still listed last); no idle pseudo-process,
    // and no process that has ended and only waits for its parent to collect it (a zombie).
    virtual Result<std::vector<ProcessEntry>> ListProcesses() = 0;

    // One process as ListProcesses would list it now (fork copy, held exec and all), for
    // passes that follow exec events one process at a time. NotFound when it has ended
    // or would not be listed (a kernel thread). Without a cheaper way, a whole listing.
    virtual Result<ProcessEntry> ReadProcess(uint32_t pid) {
        auto entries = ListProcesses();
        if (!entries)
            return entries.error();
        for (auto& entry : entries.value()) {
            if (entry.pid == pid)
                return std::move(entry);
        }
        return MakeError(Errc::NotFound, "no such process");
    }

    // The threads owned by pid, in the system's order.
    virtual Result<std::vector<ThreadEntry>> ListThreads(uint32_t pid) = 0;

    // Hold or release every thread of pid, changing its suspend count by exactly one.
    // A process is running again only after as many resumes as suspends; resuming a
    // process that was never suspended changes nothing.
    virtual Status SuspendProcess(uint32_t pid) = 0;
    virtual Status ResumeProcess(uint32_t pid) = 0;

    // Ends the process at once (TerminateProcess, exit code 0 / SIGKILL).
    virtual Status KillProcess(uint32_t pid) = 0;

    // The priority class (PriorityClass values, others passed through); 0 when unreadable.
    virtual uint32_t GetPriorityClass(uint32_t pid) = 0;

    // Full paths of the modules mapped in pid, the executable first, each once.
    virtual Result<std::vector<std::string>> ListModules(uint32_t pid) = 0;

    // Full path of the executable as the system reports it; on Windows this may be a
    // native form (\??\ or \SystemRoot\) that the caller rewrites.
    virtual Result<std::string> QueryImagePath(uint32_t pid) = 0;

    virtual uint32_t CurrentProcessId() = 0;

    // The processes this user's holds still keep stopped, where the system keeps no such
    // count itself (Windows does, per thread: nothing is listed there).
    virtual std::vector<HeldProcess> ListHeldProcesses() { return {}; }
};

} // namespace quorvel::platform
