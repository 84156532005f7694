#pragma once

#include "platform/Processes.h"
#include "platform/linux/PendingExecs.h"
#include "platform/linux/ProcfsStat.h"
#include "platform/linux/SuspendRecords.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace quorvel::platform::linux_backend {

// The PID a signal may be sent to, or nothing for 0 and for values that kill() would read
// as a process group or as "every process" (anything above INT32_MAX turns negative).
std::optional<pid_t> SignalTarget(uint32_t pid);

// Processes and threads from a /proc tree. Long-lived: it remembers each process's
// executable name, so a steady snapshot costs one read of /proc/PID/stat per process.
//
// Entries: basePriority is the Windows base priority of the class the process's policy
// and nice value map to (see ProcfsPriority.h); startTime is field 22 of the stat line;
// usage, heap, module and flags stay 0. Kernel threads are left out. Threads: the
// process's base priority, and the distance of the thread's own class from it.
//
// Holds are counted in SuspendRecords, in recordFolder; the process itself is never held.
class ProcfsProcesses final : public Processes {
public:
    explicit ProcfsProcesses(std::string procRoot = "/proc",
                             std::string recordFolder = SuspendRecords::DefaultFolder());

    Result<std::vector<ProcessEntry>> ListProcesses() override;
    // A few reads of this one process and its parent; no walk of the whole tree.
    Result<ProcessEntry> ReadProcess(uint32_t pid) override;
    Result<std::vector<ThreadEntry>> ListThreads(uint32_t pid) override;
    Status SuspendProcess(uint32_t pid) override;
    Status ResumeProcess(uint32_t pid) override;
    Status KillProcess(uint32_t pid) override;
    uint32_t GetPriorityClass(uint32_t pid) override;
    Result<std::vector<std::string>> ListModules(uint32_t pid) override;
    Result<std::string> QueryImagePath(uint32_t pid) override;
    uint32_t CurrentProcessId() override;
    std::vector<HeldProcess> ListHeldProcesses() override;

    // The held processes whose records still match a running process: what a crashed
    // holder left behind.
    std::vector<SuspendRecord> HeldProcesses();

    // A held process ended: its hold, and its record, end with it.
    void ForgetEndedHold(uint32_t pid, uint64_t startTime);

    // Execs waiting for a permission answer: listed under the program they execute; a
    // suspend keeps the answer pending, a resume allows, a kill denies.
    void AttachPendingExecs(std::shared_ptr<PendingExecs> pending) {
        m_pending = std::move(pending);
    }

private:
    struct CachedName {
        uint64_t startTime = 0;
        std::string comm;
        std::string exeName;
        uint64_t generation = 0;
        bool forkCopy = false;
    };

    std::optional<ProcfsStat> readStat(uint32_t pid) const;
    bool isForkCopy(const ProcfsStat& stat) const;
    bool isForkCopyOfLiveParent(const ProcfsStat& stat) const;
    bool kthreaddIsKernel();
    std::string exeNameOf(int procFd, uint32_t pid, const std::string& comm) const;
    Status sendSignal(uint32_t pid, std::optional<uint64_t> expectedStart, int signal) const;
    void forgetRecordsOfEnded(const std::vector<ProcfsStat>& running);

    std::string m_root;
    std::mutex m_mutex; // the name cache and the record store
    SuspendRecords m_records;
    std::unordered_map<uint32_t, CachedName> m_names;
    uint64_t m_generation = 0;
    std::optional<bool> m_kthreaddIsKernel;
    std::shared_ptr<PendingExecs> m_pending;
};

} // namespace quorvel::platform::linux_backend
