#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::guard::testing {
namespace {

class ExitSequence : public RunningGuardTest {};

TEST_F(ExitSequence, EmptyJailEndsWithoutAQuestion) {
    Hold("a.exe")->Allow();
    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_TRUE(rig.observer.questions.empty());
}

TEST_F(ExitSequence, OpenAlertsJoinTheJailAndYesResumesEveryBlockedProcess) {
    Hold("a.exe")->Block();
    Hold("b.exe"); // still open
    const uint32_t a = rig.processes.PidOf("a.exe");
    const uint32_t b = rig.processes.PidOf("b.exe");

    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_EQ(rig.observer.questions,
              (std::vector<std::string>{"Exit|You have 2 Blocked processes. Do you want to resume "
                                        "these processes and exit?"}));
    EXPECT_TRUE(rig.guard.openAlerts().empty());
    EXPECT_EQ(rig.processes.suspendCount[a], 0);
    EXPECT_EQ(rig.processes.suspendCount[b], 0);
    // No snapshot runs after the exit sequence.
    rig.processes.Start("late.exe");
    EXPECT_EQ(rig.guard.Tick(), PassOutcome::Refused);
}

TEST_F(ExitSequence, YesResumesEveryBlockedInstanceOfAName) {
    Hold("sleep")->Block();
    const uint32_t first = rig.processes.PidOf("sleep");
    Hold("sleep")->Block(); // the record now names only the second
    const uint32_t second = rig.processes.PidOf("sleep");
    ASSERT_NE(first, second);
    Hold("sleep")->Allow();

    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_EQ(rig.processes.suspendCount[first], 0);
    EXPECT_EQ(rig.processes.suspendCount[second], 0);
}

TEST_F(ExitSequence, NoLeavesThemSuspended) {
    Hold("a.exe")->Block();
    rig.observer.answerYes = false;
    EXPECT_TRUE(rig.guard.ExitSequence());
    EXPECT_EQ(rig.processes.suspendCount[rig.processes.PidOf("a.exe")], 1);
}

TEST_F(ExitSequence, UnblockedOrEndedProcessesAreNotCounted) {
    Hold("a.exe")->Block();
    Hold("b.exe")->Block();
    Hold("c.exe")->Block();
    rig.guard.UnblockSelected(0);
    // The released process still runs, so a rebuild would list it again; it ends here.
    rig.processes.End(rig.processes.PidOf("a.exe"));
    rig.processes.End(rig.processes.PidOf("c.exe"));
    rig.guard.Tick();
    EXPECT_TRUE(rig.guard.ExitSequence());
    ASSERT_EQ(rig.observer.questions.size(), 1u);
    EXPECT_NE(rig.observer.questions[0].find("You have 1 Blocked"), std::string::npos)
        << rig.observer.questions[0];
    EXPECT_EQ(rig.processes.calls.back(), "resume b.exe");
}

} // namespace
} // namespace quorvel::guard::testing
