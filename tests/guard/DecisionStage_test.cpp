#include "GuardDoubles.h"

#include <gtest/gtest.h>

namespace quorvel::guard::testing {
namespace {

// How each decision took effect: the log must tell a program denied inside execve from
// one killed after it ran, whatever event source the run has.
struct StageCase {
    const char* label;
    bool heldInExec;       // listed as held inside execve
    bool blacklisted;      // else unknown: an alert
    const char* answer;    // for the alert: "allow", "block", "kill" or ""
    DecisionKind lastKind; // the decision the answer (or the pass) made
    std::string_view lastHow;
};

class StageCases : public RunningGuardTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(StageCases, RecordWhereTheProgramStood) {
    const auto& c = GetParam();
    if (c.blacklisted)
        rig.trust.blacklist = {"target"};
    const uint32_t pid = rig.processes.Start("target");
    if (c.heldInExec)
        rig.processes.MarkExecPending(pid);
    rig.guard.Tick();
    if (auto alert = rig.AlertFor("target")) {
        const std::string answer = c.answer;
        if (answer == "allow")
            alert->Allow();
        else if (answer == "block")
            alert->Block();
        else if (answer == "kill")
            alert->KillNow();
    }
    ASSERT_FALSE(rig.observer.decisions.empty());
    const GuardDecision& last = rig.observer.decisions.back();
    EXPECT_EQ(last.pid, pid);
    EXPECT_EQ(last.kind, c.lastKind);
    EXPECT_EQ(last.stage, c.heldInExec ? DecisionStage::BeforeStart : DecisionStage::Running);
    EXPECT_EQ(HowText(last.kind, last.stage), c.lastHow);
    if (!c.blacklisted) {
        const GuardDecision& held = rig.observer.decisions.front();
        EXPECT_EQ(held.kind, DecisionKind::Held);
        EXPECT_EQ(HowText(held.kind, held.stage),
                  c.heldInExec ? "held before start" : "stopped after start");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, StageCases,
    ::testing::Values(StageCase{"blacklisted_in_exec", true, true, "",
                                DecisionKind::KilledBlacklisted, "denied before start"},
                      StageCase{"blacklisted_running", false, true, "",
                                DecisionKind::KilledBlacklisted, "killed after start"},
                      StageCase{"allowed_in_exec", true, false, "allow", DecisionKind::Allowed,
                                "released before start"},
                      StageCase{"allowed_running", false, false, "allow", DecisionKind::Allowed,
                                "resumed"},
                      StageCase{"blocked_in_exec", true, false, "block", DecisionKind::Blocked,
                                "held before start"},
                      StageCase{"blocked_running", false, false, "block", DecisionKind::Blocked,
                                "stopped after start"},
                      StageCase{"killed_now_in_exec", true, false, "kill", DecisionKind::KilledNow,
                                "denied before start"},
                      StageCase{"killed_now_running", false, false, "kill", DecisionKind::KilledNow,
                                "killed after start"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST_F(RunningGuardTest, ANameThatIsNeverJudgedIsLoggedWithItsReason) {
    const uint32_t pid = rig.processes.Start("svchost.exe");
    rig.guard.Tick();
    EXPECT_TRUE(rig.processes.calls.empty());
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    const GuardDecision& decision = rig.observer.decisions[0];
    EXPECT_EQ(decision.kind, DecisionKind::AllowedUnjudged);
    EXPECT_EQ(decision.pid, pid);
    EXPECT_EQ(decision.name, "svchost.exe");
    EXPECT_NE(decision.reason.find("never judged"), std::string::npos) << decision.reason;
    EXPECT_EQ(DecisionText(decision.kind), "Not judged");
    EXPECT_EQ(HowText(decision.kind, decision.stage), "left running");
}

} // namespace
} // namespace quorvel::guard::testing
