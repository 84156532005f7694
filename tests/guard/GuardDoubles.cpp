#include "GuardDoubles.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace quorvel::guard::testing {

uint32_t FakeProcesses::Start(std::string name, std::string path) {
    const uint32_t pid = StartAs(m_nextPid++, std::move(name));
    m_running.back().path = std::move(path);
    return pid;
}

uint32_t FakeProcesses::StartAs(uint32_t pid, std::string name) {
    platform::ProcessEntry entry;
    entry.pid = pid;
    entry.parentPid = 1;
    entry.threadCount = 1;
    entry.exeName = name;
    entry.startTime = m_nextStart++;
    m_names[pid] = name;
    m_running.push_back({std::move(entry), {}});
    m_events.passNeeded = true;
    m_events.execs.push_back(pid);
    return pid;
}

platform::ExecDrain FakeProcesses::TakeEvents() {
    return std::exchange(m_events, {});
}

platform::Result<platform::ProcessEntry> FakeProcesses::ReadProcess(uint32_t pid) {
    ++reads;
    for (const auto& e : m_running) {
        if (e.entry.pid == pid)
            return e.entry;
    }
    return platform::MakeError(platform::Errc::NotFound, "no process");
}

uint32_t FakeProcesses::Fork(uint32_t parent) {
    const std::string name = NameOf(parent);
    const uint32_t pid = Start(name);
    m_running.back().entry.parentPid = parent;
    m_running.back().entry.forkCopy = true;
    return pid;
}

void FakeProcesses::Exec(uint32_t pid, std::string name) {
    for (auto& e : m_running) {
        if (e.entry.pid == pid) {
            e.entry.exeName = name;
            e.entry.forkCopy = false;
        }
    }
    m_names[pid] = std::move(name);
    m_events.passNeeded = true;
    m_events.execs.push_back(pid);
}

void FakeProcesses::MarkExecPending(uint32_t pid) {
    for (auto& e : m_running) {
        if (e.entry.pid == pid)
            e.entry.execPending = true;
    }
    m_events.passNeeded = true;
    m_events.execs.push_back(pid);
}

void FakeProcesses::End(uint32_t pid) {
    if (std::erase_if(m_running, [&](const Entry& e) { return e.entry.pid == pid; }) == 0)
        return;
    m_events.passNeeded = true;
    m_events.exits.push_back(pid);
}

uint32_t FakeProcesses::PidOf(std::string_view name) const {
    for (auto it = m_running.rbegin(); it != m_running.rend(); ++it) {
        if (it->entry.exeName == name)
            return it->entry.pid;
    }
    return 0;
}

std::string FakeProcesses::NameOf(uint32_t pid) const {
    auto it = m_names.find(pid);
    return it == m_names.end() ? "?" : it->second;
}

platform::Result<std::vector<platform::ProcessEntry>> FakeProcesses::ListProcesses() {
    ++listings;
    if (failListing)
        return platform::MakeError(platform::Errc::Failed, "no snapshot");
    std::vector<platform::ProcessEntry> entries;
    entries.reserve(m_running.size());
    for (const auto& e : m_running)
        entries.push_back(e.entry);
    return entries;
}

platform::Result<std::vector<platform::ThreadEntry>> FakeProcesses::ListThreads(uint32_t pid) {
    return std::vector<platform::ThreadEntry>{{pid * 10, pid, 8, 0, 0, 0}};
}

platform::Status FakeProcesses::SuspendProcess(uint32_t pid) {
    calls.push_back("suspend " + NameOf(pid));
    if (failSuspend)
        return platform::MakeError(platform::Errc::AccessDenied, "Operation not permitted");
    if (goneOnSuspend)
        return platform::MakeError(platform::Errc::NotFound, "no process " + std::to_string(pid));
    ++suspendCount[pid];
    return {};
}

platform::Status FakeProcesses::ResumeProcess(uint32_t pid) {
    calls.push_back("resume " + NameOf(pid));
    if (suspendCount[pid] > 0)
        --suspendCount[pid];
    return {};
}

platform::Status FakeProcesses::KillProcess(uint32_t pid) {
    calls.push_back("kill " + NameOf(pid));
    End(pid);
    return {};
}

platform::Result<std::vector<std::string>> FakeProcesses::ListModules(uint32_t pid) {
    auto path = QueryImagePath(pid);
    if (!path)
        return path.error();
    return std::vector<std::string>{path.value()};
}

platform::Result<std::string> FakeProcesses::QueryImagePath(uint32_t pid) {
    for (const auto& e : m_running) {
        if (e.entry.pid == pid && !e.path.empty())
            return e.path;
    }
    return platform::MakeError(platform::Errc::NotFound);
}

std::string FakeShell::TimeText(std::chrono::system_clock::time_point when) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count() % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

bool FakeTrust::Matches(const std::vector<std::string>& items, std::string_view name) {
    return std::any_of(items.begin(), items.end(), [&](const std::string& item) {
        return !item.empty() && item.find(name) != std::string::npos;
    });
}

void RecordingObserver::ShowMessage(const std::string& text, const std::string& title,
                                    MessageIcon icon) {
    const char* iconName = icon == MessageIcon::Warning    ? "warning"
                           : icon == MessageIcon::Critical ? "critical"
                                                           : "information";
    messages.push_back(title + "|" + text + "|" + iconName);
}

GuardRig::GuardRig() : guard(GuardServices{processes, windows, shell, trust, clock, observer}) {}

void GuardRig::StartGuard(const std::vector<std::string>& running) {
    for (const auto& name : running)
        processes.Start(name);
    guard.StartUp();
    guard.Tick();
}

std::shared_ptr<Alert> GuardRig::Hold(const std::string& name) {
    processes.Start(name);
    guard.Tick();
    return AlertFor(name);
}

std::shared_ptr<Alert> GuardRig::AlertFor(std::string_view name) const {
    for (const auto& alert : guard.openAlerts()) {
        if (alert->info().name == name)
            return alert;
    }
    return nullptr;
}

} // namespace quorvel::guard::testing
