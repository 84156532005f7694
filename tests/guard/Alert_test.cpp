#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::guard::testing {
namespace {

class AlertTest : public RunningGuardTest {};

TEST_F(AlertTest, ShowsTheHeldProcessAndItsJailHistory) {
    const uint32_t editor = rig.processes.Start("editor");
    rig.windows.windows = {{7, editor, "Untitled"}};
    rig.guard.Tick();
    auto first = rig.AlertFor("editor");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->info().pid, editor);
    EXPECT_EQ(first->info().parentPid, 1u);
    EXPECT_EQ(first->info().windowCount, 1);
    EXPECT_EQ(first->info().szExeFile, "editor" + std::string(254, ' '));
    EXPECT_EQ(first->info().attempts, "0");
    EXPECT_EQ(first->info().lastAction, "N/A");
    EXPECT_EQ(first->countdown(), 10);
    first->Allow();

    auto second = Hold("EDITOR");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->info().attempts, "1");
    EXPECT_EQ(second->info().lastAction, "Allowed");
}

TEST_F(AlertTest, CountdownBlocksAtZeroExactlyAsBlock) {
    auto alert = Hold("x.exe");
    std::vector<int> shown;
    for (int tick = 0; tick < 9; ++tick) {
        alert->CountdownTick();
        shown.push_back(alert->countdown());
    }
    EXPECT_EQ(shown, (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_FALSE(alert->answered());
    EXPECT_FALSE(alert->CanClose());

    alert->CountdownTick();
    EXPECT_EQ(alert->countdown(), 0);
    EXPECT_TRUE(alert->CanClose());
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"x.exe"}));
    EXPECT_EQ(rig.guard.counters().lastBlocked, "x.exe");
    EXPECT_EQ(rig.guard.counters().blockedCount, 1);
    EXPECT_EQ(rig.guard.counters().blockedOverview, 1);
    EXPECT_EQ(rig.processes.calls, (std::vector<std::string>{"suspend x.exe"}));
    EXPECT_TRUE(rig.guard.openAlerts().empty());

    // Answered alerts ignore further ticks and answers.
    alert->CountdownTick();
    alert->Allow();
    EXPECT_EQ(alert->countdown(), 0);
    EXPECT_EQ(rig.processes.calls.size(), 1u);
}

TEST_F(AlertTest, AnswersActOnTheirOwnProcess) {
    auto allowed = Hold("a.exe");
    auto blocked = Hold("b.exe");
    auto killed = Hold("k.exe");
    allowed->Allow();
    EXPECT_EQ(rig.guard.counters().blockedCount, 0);
    blocked->Block();
    killed->KillNow();

    EXPECT_EQ(rig.processes.calls,
              (std::vector<std::string>{"suspend a.exe", "suspend b.exe", "suspend k.exe",
                                        "resume a.exe", "kill k.exe"}));
    EXPECT_EQ(rig.guard.jail().Find("a.exe")->lastAction, "Allowed");
    EXPECT_EQ(rig.guard.jail().Find("b.exe")->lastAction, "Blocked");
    EXPECT_EQ(rig.guard.jail().Find("k.exe"), nullptr); // Kill Now records nothing
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"b.exe"}));
    EXPECT_EQ(rig.guard.counters().blockedCount, 1);
    EXPECT_EQ(rig.observer.closed, (std::vector<std::string>{"a.exe", "b.exe", "k.exe"}));
}

TEST_F(AlertTest, EachAlertKeepsItsOwnAnsweredState) {
    auto first = Hold("a.exe");
    auto second = Hold("b.exe");
    ASSERT_EQ(rig.guard.openAlerts().size(), 2u);
    first->Block();
    EXPECT_TRUE(first->CanClose());
    // Answering one alert no longer lets another close unanswered.
    EXPECT_FALSE(second->CanClose());
    EXPECT_EQ(rig.guard.openAlerts().size(), 1u);
    for (int tick = 0; tick < 3; ++tick)
        second->CountdownTick();
    EXPECT_EQ(second->countdown(), 7);
}

TEST_F(AlertTest, AnswersAfterTheProcessEndedStillRecord) {
    auto alert = Hold("gone.exe");
    rig.processes.End(rig.processes.PidOf("gone.exe"));
    alert->Block();
    EXPECT_EQ(rig.guard.jail().Find("gone.exe")->lastAction, "Blocked");
}

} // namespace
} // namespace quorvel::guard::testing
