#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::guard::testing {
namespace {

class JailFlow : public RunningGuardTest {};

TEST_F(JailFlow, BlockedThenAllowedUnderAnotherCaseUpdatesOneRecord) {
    Hold("notepad.exe")->Block();
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"notepad.exe"}));
    Hold("NOTEPAD.EXE")->Allow();
    const JailEntry* entry = rig.guard.jail().Find("notepad.exe");
    EXPECT_EQ(entry->attemptCount, 2);
    EXPECT_EQ(entry->lastAction, "Allowed");
    EXPECT_EQ(rig.guard.jail().slots().size(), 2u);
    // Allow does not rebuild; the next rebuild drops the name.
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"notepad.exe"}));
    Hold("other.exe")->KillNow();
    EXPECT_TRUE(rig.guard.jail().list().empty());
}

TEST_F(JailFlow, ABlockedProcessThatEndsLeavesTheList) {
    Hold("x.exe")->Block();
    rig.processes.End(rig.processes.PidOf("x.exe"));
    rig.guard.Tick();
    EXPECT_TRUE(rig.guard.jail().list().empty());
    EXPECT_FALSE(rig.guard.jail().Find("x.exe")->present);
    // The counts are not touched by a rebuild.
    EXPECT_EQ(rig.guard.counters().blockedCount, 1);
}

TEST_F(JailFlow, UnblockSelectedResumesAndAKillElsewhereBringsTheNameBack) {
    Hold("a.exe")->Block();
    Hold("b.exe")->Block();
    auto other = Hold("c.exe");
    ASSERT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"a.exe", "b.exe"}));
    EXPECT_EQ(rig.guard.counters().blockedCount, 2);

    rig.guard.UnblockSelected(0);
    EXPECT_EQ(rig.processes.calls.back(), "resume a.exe");
    EXPECT_EQ(rig.processes.suspendCount[rig.processes.PidOf("a.exe")], 0);
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"b.exe"}));
    EXPECT_EQ(rig.guard.counters().blockedCount, 1);
    EXPECT_EQ(rig.guard.counters().blockedOverview, 1);
    EXPECT_EQ(rig.guard.jail().Find("a.exe")->lastAction, "Blocked");

    other->KillNow();
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"a.exe", "b.exe"}));
}

TEST_F(JailFlow, UnblockWithNothingSelectedAsksForASelection) {
    Hold("a.exe")->Block();
    rig.guard.UnblockSelected(std::nullopt);
    rig.guard.UnblockSelected(5);
    EXPECT_EQ(rig.observer.messages,
              (std::vector<std::string>(2, "Quorvel|select a Process first|warning")));
    EXPECT_EQ(rig.guard.jail().list().size(), 1u);
}

} // namespace
} // namespace quorvel::guard::testing
