#pragma once

#include "platform/ExecEvents.h"
#include "platform/linux/PendingExecs.h"
#include "platform/linux/ProcfsIo.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvel::platform::linux_backend {

class ProcfsProcesses;

// Exec events from fanotify permission events (CAP_SYS_ADMIN) and the proc connector
// (CAP_NET_ADMIN), whichever this process may open. A thread of its own reads them and
// answers trusted execs at once; the guard's thread only drains what it left.
class LinuxExecEvents final : public ExecEvents {
public:
    // Nothing when neither source can be opened; why then says what was missing.
    static std::unique_ptr<LinuxExecEvents> Open(ProcfsProcesses* processes, ExecTriage triage,
                                                 const ExecEventsOptions& options,
                                                 std::string& why);
    ~LinuxExecEvents() override;

    ExecSource source() const override;
    std::string description() const override;
    int pollFd() const override { return m_wake.get(); }
    ExecDrain Drain() override;
    bool Wait(std::chrono::milliseconds timeout) override;
    bool live() const override { return m_live.load(); }
    bool reportsExits() const override { return m_connector.valid(); }
    void SettlePending(const std::vector<uint32_t>& unjudged) override;
    void StopHolding() override;

private:
    LinuxExecEvents(ExecTriage triage, const ExecEventsOptions& options);
    bool MarkMounts();
    bool MarkOne(const std::string& point);
    ExecMark MarkOf(uint32_t pid, uint64_t startTime, int eventFd,
                    const std::optional<std::string>& call) const;
    void ReportDenied(DeniedExec denied);
    void ReportUnheld(UnheldExec unheld);
    void OnDescriptorsExhausted();
    void Run();
    void ReadFanotify();
    void ReadConnector();
    void OnExec(int eventFd, uint32_t pid);
    // execPid: the process that exec'd, for a pass that reads just it (0: none named).
    void Wake(bool lost, uint32_t execPid = 0, std::string_view name = {});
    void NoteLocked(std::vector<uint32_t>& list, uint32_t pid);

    ExecTriage m_triage;
    ExecEventsOptions m_options;
    UniqueFd m_fanotify;
    UniqueFd m_connector;
    UniqueFd m_wake;      // eventfd: readable when Drain has something
    UniqueFd m_stop;      // eventfd: ends the thread
    UniqueFd m_mountInfo; // signals mount changes
    std::shared_ptr<PendingExecs> m_pending;
    std::set<std::string> m_marked;
    std::set<uint64_t> m_markedFilesystems; // devices whose every mount is covered
    std::thread m_thread;
    std::atomic<bool> m_live{true};
    std::atomic<bool> m_holding{true};

    std::mutex m_mutex; // what Drain takes
    bool m_passNeeded = false;
    bool m_lost = false;
    std::vector<DeniedExec> m_denied;
    std::vector<UnheldExec> m_unheld;
    std::vector<uint32_t> m_execs; // exec'd or forked since the last drain
    std::vector<uint32_t> m_exits;
    std::vector<std::pair<uint32_t, std::string>> m_execNames;
};

} // namespace quorvel::platform::linux_backend
