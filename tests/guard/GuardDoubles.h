#pragma once

#include "guard/Alert.h"
#include "guard/Clock.h"
#include "guard/GuardObserver.h"
#include "guard/ProcessGuard.h"
#include "guard/TrustLookup.h"
#include "platform/DesktopWindows.h"
#include "platform/ExecEvents.h"
#include "platform/Processes.h"
#include "platform/Shell.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::guard::testing {

// A scripted process list: tests start and end processes between snapshots and read back
// what the guard did to them.
class FakeProcesses final : public platform::Processes {
public:
    uint32_t Start(std::string name, std::string path = {});
    // The same under a PID chosen by the test, such as one an ended process had.
    uint32_t StartAs(uint32_t pid, std::string name);
    // A child of parent that has not executed a program yet: listed under its parent's name.
    uint32_t Fork(uint32_t parent);
    // The fork copy executes a program: its name changes and it is no copy any more.
    void Exec(uint32_t pid, std::string name);
    // Listed as held inside execve.
    void MarkExecPending(uint32_t pid);
    void End(uint32_t pid);
    uint32_t PidOf(std::string_view name) const; // the last process of that name
    std::string NameOf(uint32_t pid) const;

    platform::Result<std::vector<platform::ProcessEntry>> ListProcesses() override;
    platform::Result<platform::ProcessEntry> ReadProcess(uint32_t pid) override;
    platform::Result<std::vector<platform::ThreadEntry>> ListThreads(uint32_t pid) override;
    platform::Status SuspendProcess(uint32_t pid) override;
    platform::Status ResumeProcess(uint32_t pid) override;
    platform::Status KillProcess(uint32_t pid) override;
    uint32_t GetPriorityClass(uint32_t) override { return platform::kPriorityNormal; }
    platform::Result<std::vector<std::string>> ListModules(uint32_t pid) override;
    platform::Result<std::string> QueryImagePath(uint32_t pid) override;
    uint32_t CurrentProcessId() override { return selfPid; }
    std::vector<platform::HeldProcess> ListHeldProcesses() override { return held; }

    uint32_t selfPid = 1; // the program's own process
    bool failListing = false;
    // Suspends fail as they do for another user's process.
    bool failSuspend = false;
    bool goneOnSuspend = false; // the process ended before the hold: "no process N"
    std::vector<platform::HeldProcess> held;
    // "suspend NAME", "resume NAME", "kill NAME", in call order.
    std::vector<std::string> calls;
    std::map<uint32_t, int> suspendCount;
    // What exec events would have reported since the last TakeEvents: started, forked
    // and exec'd processes, and ended ones (killed by the guard too).
    platform::ExecDrain TakeEvents();
    bool eventsPending() const { return m_events.passNeeded; }
    int reads = 0;    // ReadProcess calls
    int listings = 0; // ListProcesses calls

private:
    struct Entry {
        platform::ProcessEntry entry;
        std::string path;
    };
    std::vector<Entry> m_running;
    std::map<uint32_t, std::string> m_names; // every pid ever started
    uint32_t m_nextPid = 100;
    uint64_t m_nextStart = 1; // start times in start order, as a listing sorts them
    platform::ExecDrain m_events;
};

class FakeWindows final : public platform::DesktopWindows {
public:
    platform::Result<std::vector<platform::TopLevelWindow>> ListTopLevelWindows() override {
        return windows;
    }
    platform::Status MinimizeWindows(const std::vector<uint64_t>& ids) override {
        ++minimizeCount;
        minimized.insert(minimized.end(), ids.begin(), ids.end());
        return {};
    }

    std::vector<platform::TopLevelWindow> windows;
    int minimizeCount = 0;           // clearings that had a window to minimise
    std::vector<uint64_t> minimized; // every window minimised, in order
};

// Dates as "07/03/2013" and times as "HH:MM:SS" of the clock's UTC seconds.
class FakeShell final : public platform::Shell {
public:
    platform::Status Execute(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string ExecutablePath() override { return "/opt/quorvel/quorvel"; }
    std::string ProgramFolder() override { return "/opt/quorvel"; }
    std::string EnvironmentVariable(const std::string&) override { return {}; }
    std::string ShortDateText(std::chrono::system_clock::time_point) override {
        return "07/03/2013";
    }
    std::string TimeText(std::chrono::system_clock::time_point when) override;
    bool Is64BitMachine() override { return true; }
};

class FakeClock final : public Clock {
public:
    std::chrono::system_clock::time_point now() const override { return time; }
    void Advance(std::chrono::seconds seconds) { time += seconds; }

    // 14:05:09 on the first day of the epoch.
    std::chrono::system_clock::time_point time{std::chrono::seconds(14 * 3600 + 5 * 60 + 9)};
};

// The trust lists' look-up rule: the name occurs inside an item, case-sensitively.
class FakeTrust final : public TrustLookup {
public:
    bool MatchesWhitelist(std::string_view exeName) const override {
        return Matches(whitelist, exeName);
    }
    bool MatchesBlacklist(std::string_view exeName) const override {
        return Matches(blacklist, exeName);
    }
    std::vector<std::string> whitelist;
    std::vector<std::string> blacklist;

private:
    static bool Matches(const std::vector<std::string>& items, std::string_view name);
};

class RecordingObserver final : public GuardObserver {
public:
    void OpenAlert(const std::shared_ptr<Alert>& alert) override { alerts.push_back(alert); }
    void AlertClosed(const Alert& alert) override { closed.push_back(alert.info().name); }
    void ShowTrayMessage(const std::string& title, const std::string& message) override {
        trayMessages.push_back(title + "|" + message);
    }
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool AskYesNo(const std::string& text, const std::string& title) override {
        questions.push_back(title + "|" + text);
        return answerYes;
    }
    void LogLineAdded(const std::string& line) override { logLines.push_back(line); }
    void JailListChanged() override { ++jailListChanges; }
    void DecisionMade(const GuardDecision& decision) override { decisions.push_back(decision); }
    void ProcessPendingEvents() override {
        ++pendingEvents;
        if (onPendingEvents)
            onPendingEvents();
    }

    std::vector<std::shared_ptr<Alert>> alerts;
    std::vector<std::string> closed;
    std::vector<std::string> trayMessages;
    std::vector<std::string> messages; // "title|text|icon"
    std::vector<std::string> questions;
    std::vector<std::string> logLines;
    std::vector<GuardDecision> decisions;
    int jailListChanges = 0;
    int pendingEvents = 0;
    bool answerYes = true;
    std::function<void()> onPendingEvents;
};

// One engine over the doubles.
struct GuardRig {
    GuardRig();

    // Starts the named processes, then the guard (its first snapshot and Start) and one
    // tick, so that the process list is settled.
    void StartGuard(const std::vector<std::string>& running);
    // The alert open for the process of that name, or nullptr.
    std::shared_ptr<Alert> AlertFor(std::string_view name) const;
    // Starts a new process of that name, ticks, and returns the alert that holds it.
    std::shared_ptr<Alert> Hold(const std::string& name);

    FakeProcesses processes;
    FakeWindows windows;
    FakeShell shell;
    FakeClock clock;
    FakeTrust trust;
    RecordingObserver observer;
    ProcessGuard guard;
};

// A guard already running over one process, for tests of what follows a hold.
class RunningGuardTest : public ::testing::Test {
protected:
    void SetUp() override { rig.StartGuard({"init"}); }
    std::shared_ptr<Alert> Hold(const std::string& name) { return rig.Hold(name); }

    GuardRig rig;
};

} // namespace quorvel::guard::testing
