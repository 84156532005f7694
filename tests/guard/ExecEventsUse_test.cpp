#include "GuardDoubles.h"

#include <gtest/gtest.h>

namespace quorvel::guard::testing {
namespace {

// Events as a test scripts them.
class ScriptedEvents final : public platform::ExecEvents {
public:
    platform::ExecSource source() const override { return platform::ExecSource::ProcConnector; }
    std::string description() const override { return "scripted"; }
    int pollFd() const override { return -1; }
    platform::ExecDrain Drain() override { return std::exchange(next, {}); }
    bool Wait(std::chrono::milliseconds) override { return false; }
    bool live() const override { return isLive; }
    bool reportsExits() const override { return exits; }
    void SettlePending(const std::vector<uint32_t>& unjudged) override {
        ++settled;
        keptUnjudged = unjudged;
    }
    void StopHolding() override { ++stopped; }

    platform::ExecDrain next;
    bool isLive = true;
    bool exits = true;
    int settled = 0;
    std::vector<uint32_t> keptUnjudged;
    int stopped = 0;
};

class EventDriven : public ::testing::Test {
protected:
    void SetUp() override {
        rig.guard.UseExecEvents(&events, &triage, nullptr);
        rig.StartGuard({"init"});
        rig.guard.Tick(); // the list settled: nothing pending
    }
    GuardRig rig;
    ScriptedEvents events;
    ExecTriage triage;
};

TEST_F(EventDriven, AQuietTimerPassIsSkippedOnlyWhileTheEventsCoverIt) {
    EXPECT_EQ(rig.guard.TimerTick(), PassOutcome::Skipped);
    events.exits = false; // without exits, ended processes would go unseen
    EXPECT_EQ(rig.guard.TimerTick(), PassOutcome::Done);
    events.exits = true;
    events.isLive = false;
    EXPECT_EQ(rig.guard.TimerTick(), PassOutcome::Done);
}

TEST_F(EventDriven, AnEventRunsAPassAndALossForcesOne) {
    rig.processes.Start("new-one");
    events.next.passNeeded = true;
    EXPECT_EQ(rig.guard.ExecEventsReady(), PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend new-one"});
    EXPECT_GE(events.settled, 1);

    // The queue overflowed: no exec was reported, but only a full pass knows.
    rig.processes.Start("unreported");
    events.next.lost = true;
    EXPECT_EQ(rig.guard.ExecEventsReady(), PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls.back(), "suspend unreported");
}

TEST_F(EventDriven, ADeniedExecIsLoggedAndHoldsStopAtExit) {
    events.next.denied = {{77, 1, "/tmp/x/evil", "evil"}};
    rig.guard.ExecEventsReady();
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::KilledBlacklisted);
    EXPECT_EQ(rig.observer.decisions[0].path, "/tmp/x/evil");
    EXPECT_EQ(rig.observer.decisions[0].parentPid, 1u);
    EXPECT_EQ(rig.observer.decisions[0].stage, DecisionStage::BeforeStart) << "it never ran";
    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_EQ(events.stopped, 1);
}

// The fault: one kill logged twice, the second time under the name of the program the
// process ran before its exec was denied (nsenter, the launcher), while it died.
TEST_F(EventDriven, ADeniedExecIsNotJudgedAgainUnderItsOldName) {
    const uint32_t pid = rig.processes.Start("nsenter");
    events.next.denied = {{pid, 1, "/tmp/x/evil", "evil"}};
    events.next.passNeeded = true;
    rig.guard.ExecEventsReady();
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].name, "evil");
    EXPECT_TRUE(rig.processes.calls.empty()) << rig.processes.calls.front();

    // Gone, then a new process of that name: judged as any other.
    rig.processes.End(pid);
    rig.guard.Tick();
    rig.processes.Start("nsenter");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend nsenter"});
}

// The desktop lists on a thread of its own while exec events run passes of their own.
TEST_F(EventDriven, AListingBegunBeforeAnEventPassIsNotTaken) {
    const uint64_t listedAt = rig.guard.passCount();
    auto early = rig.processes.ListProcesses(); // before the new program started
    rig.processes.Start("new-one");
    events.next.passNeeded = true;
    ASSERT_TRUE(rig.guard.TakeExecEvents());
    EXPECT_TRUE(rig.guard.TimerPassDue());
    EXPECT_EQ(rig.guard.TickWith(rig.processes.ListProcesses(), rig.guard.passCount()),
              PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend new-one"});

    // Taken, the early listing would end new-one and the next pass would hold it again.
    EXPECT_EQ(rig.guard.TickWith(std::move(early), listedAt), PassOutcome::Outdated);
    EXPECT_EQ(rig.guard.TickWith(rig.processes.ListProcesses(), rig.guard.passCount()),
              PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend new-one"});
}

TEST_F(EventDriven, NothingReportedCallsForNoPassOnceTheEventsAreGone) {
    events.isLive = false;
    EXPECT_FALSE(rig.guard.TakeExecEvents());
    events.next.lost = true;
    EXPECT_TRUE(rig.guard.TakeExecEvents());
}

// Passes go on while its alert is open: each would hold it again, and Allow would then
// leave it held.
TEST_F(EventDriven, AnExecHeldInsideExecveIsJudgedOnce) {
    const uint32_t pid = rig.processes.Start("tool");
    rig.processes.MarkExecPending(pid);
    for (int pass = 0; pass < 3; ++pass)
        rig.guard.Tick();
    EXPECT_EQ(rig.processes.suspendCount[pid], 1);
    ASSERT_EQ(rig.observer.alerts.size(), 1u);
    rig.observer.alerts[0]->Allow();
    EXPECT_EQ(rig.processes.suspendCount[pid], 0);
}

// A trusted name ends the pass; an exec held behind it is not let go unjudged.
TEST_F(EventDriven, AnExecThePassDidNotReachStaysHeldForTheNext) {
    rig.trust.whitelist = {"editor"};
    rig.processes.Start("editor");
    const uint32_t pid = rig.processes.Start("tool");
    rig.processes.MarkExecPending(pid);
    rig.guard.Tick();
    EXPECT_TRUE(rig.processes.calls.empty());
    EXPECT_EQ(events.keptUnjudged, std::vector<uint32_t>{pid});
    EXPECT_TRUE(rig.guard.TimerPassDue());

    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend tool"});
    EXPECT_TRUE(events.keptUnjudged.empty());
}

TEST(ExecTriageRules, FollowThePassOrder) {
    FakeTrust trust;
    trust.whitelist = {"good"};
    trust.blacklist = {"evil good"};
    auto lists = std::shared_ptr<const TrustLookup>(&trust, [](const auto*) {});
    ExecTriage triage;
    using platform::ExecVerdict;
    EXPECT_EQ(triage.Judge("unknown"), ExecVerdict::Allow) << "a stopped guard holds nothing";
    triage.Update({lists, true, false, false});
    EXPECT_EQ(triage.Judge("unknown"), ExecVerdict::Hold);
    EXPECT_EQ(triage.Judge("good"), ExecVerdict::Allow);
    EXPECT_EQ(triage.Judge("evil"), ExecVerdict::Deny);
    EXPECT_EQ(triage.Judge("svchost.exe"), ExecVerdict::Allow);
    triage.Update({lists, true, true, false});
    EXPECT_EQ(triage.Judge("good"), ExecVerdict::Deny) << "Anti Exe ignores the whitelist";
    triage.Update({lists, true, false, true});
    EXPECT_EQ(triage.Judge("evil"), ExecVerdict::Allow) << "Just Notify announces";
}

} // namespace
} // namespace quorvel::guard::testing

namespace quorvel::guard::testing {
namespace {

// Held inside execve: judged even when an instance of the name ended unseen, and each
// of two such instances is held as itself.
TEST_F(RunningGuardTest, AHeldExecIsNewWhateverElseOfItsNameDid) {
    const uint32_t old = rig.processes.Start("tool");
    rig.guard.Tick();
    rig.AlertFor("tool")->Allow();
    rig.processes.calls.clear();

    rig.processes.End(old);
    const uint32_t first = rig.processes.Start("tool");
    const uint32_t second = rig.processes.Start("tool");
    rig.processes.MarkExecPending(first);
    rig.processes.MarkExecPending(second);
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.suspendCount[first], 1);
    EXPECT_EQ(rig.processes.suspendCount[second], 1);
}

} // namespace
} // namespace quorvel::guard::testing
