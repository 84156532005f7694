#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::guard::testing {
namespace {

TEST_F(RunningGuardTest, AHoldTheSystemRefusesIsReportedAsNotHeld) {
    rig.processes.failSuspend = true;
    rig.processes.Start("other-user", "/usr/bin/other-user");
    rig.guard.Tick();

    EXPECT_TRUE(rig.observer.alerts.empty());
    EXPECT_TRUE(rig.guard.openAlerts().empty());
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::HoldFailed);
    EXPECT_EQ(rig.observer.decisions[0].reason, "Operation not permitted");
    ASSERT_EQ(rig.observer.logLines.size(), 1u);
    EXPECT_NE(
        rig.observer.logLines[0].find("/usr/bin/other-user (not held: Operation not permitted)"),
        std::string::npos);
    EXPECT_EQ(rig.observer.trayMessages,
              std::vector<std::string>{
                  "WARNING|Could not hold process : other-user (Operation not permitted)"});
    // Closing has nothing to release and asks nothing.
    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_TRUE(rig.observer.questions.empty());
}

// A short program that ended between the listing and its hold is no failed hold: nothing
// runs on, so no warning; the log says it ended first.
TEST_F(RunningGuardTest, AProgramGoneBeforeItsHoldIsLoggedAsEndedWithoutAWarning) {
    rig.processes.goneOnSuspend = true;
    rig.processes.Start("ls", "/usr/bin/ls");
    rig.guard.Tick();

    EXPECT_TRUE(rig.observer.alerts.empty());
    EXPECT_TRUE(rig.observer.trayMessages.empty());
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::EndedUnheld);
    EXPECT_EQ(rig.observer.decisions[0].reason, "ended before it could be held");
    EXPECT_EQ(DecisionText(DecisionKind::EndedUnheld), "Ended before it could be held");
    ASSERT_EQ(rig.observer.logLines.size(), 1u);
    EXPECT_NE(rig.observer.logLines[0].find("/usr/bin/ls (ended before it could be held)"),
              std::string::npos);
    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_TRUE(rig.observer.questions.empty());
}

TEST(StartUpSnapshot, AFailedOneLeavesTheFirstGoodSnapshotToRecordOnly) {
    GuardRig rig;
    rig.processes.Start("init");
    rig.processes.Start("already-running");
    rig.processes.failListing = true;
    rig.guard.StartUp();
    rig.processes.failListing = false;

    rig.guard.Tick(); // records
    EXPECT_TRUE(rig.processes.calls.empty());
    rig.processes.Start("new-one");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend new-one"});
}

TEST_F(RunningGuardTest, AForkCopyIsJudgedOnlyUnderTheProgramItExecutes) {
    const uint32_t shell = rig.processes.Start("shell");
    rig.guard.Tick();
    ASSERT_NE(rig.AlertFor("shell"), nullptr);
    rig.AlertFor("shell")->Allow();
    rig.processes.calls.clear();

    const uint32_t child = rig.processes.Fork(shell);
    rig.guard.Tick();
    EXPECT_TRUE(rig.processes.calls.empty()) << "a fork copy was judged as its parent";

    rig.processes.Exec(child, "tool");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend tool"});
    ASSERT_NE(rig.AlertFor("tool"), nullptr);
    EXPECT_EQ(rig.AlertFor("tool")->info().pid, child);
}

TEST(ForkCopies, AWhitelistedProgramsForkHidesNoOtherNewName) {
    GuardRig rig;
    rig.trust.whitelist = {"editor"};
    rig.StartGuard({"init", "editor"});
    rig.processes.Fork(rig.processes.PidOf("editor"));
    rig.processes.Start("unknown");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend unknown"});
}

TEST(StaleHolds, AreOfferedAtStartUpAndReleasedOnYes) {
    for (const bool yes : {true, false}) {
        GuardRig rig;
        rig.observer.answerYes = yes;
        const uint32_t left = rig.processes.Start("left-held");
        const uint32_t ours = rig.processes.Start("held-by-a-running-guard");
        rig.processes.held = {{left, 2, false}, {ours, 1, true}};
        rig.processes.suspendCount[left] = 2;
        rig.StartGuard({"init"});

        ASSERT_EQ(rig.observer.questions.size(), 1u);
        EXPECT_EQ(rig.observer.questions[0],
                  "Quorvel|" + StaleHoldsQuestion(1) + "\n" + std::to_string(left) + " left-held");
        const std::vector<std::string> released = {"resume left-held", "resume left-held"};
        EXPECT_EQ(rig.processes.calls, yes ? released : std::vector<std::string>{});
    }
}

TEST(StaleHolds, NoneLeftMeansNoQuestion) {
    GuardRig rig;
    rig.StartGuard({"init"});
    EXPECT_TRUE(rig.observer.questions.empty());
}

} // namespace
} // namespace quorvel::guard::testing
