#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::guard::testing {
namespace {

// The observer lets events run in the middle of a pass; a timer tick, a Refresh, the exit
// sequence and alert answers all arrive from there.
TEST(Reentry, ASnapshotNeverStartsWhileAPassRuns) {
    GuardRig rig;
    rig.trust.blacklist = {"bad.exe"};
    rig.StartGuard({"init"});
    rig.processes.Start("x.exe");
    rig.processes.Start("y.exe");
    rig.processes.Start("bad.exe");

    std::vector<PassOutcome> nested;
    std::vector<bool> exits;
    rig.observer.onPendingEvents = [&] {
        EXPECT_TRUE(rig.guard.passRunning());
        // Had a nested snapshot run, it would have replaced the table and the names
        // that the pass is still walking.
        rig.processes.Start("during.exe");
        nested.push_back(rig.guard.Tick());
        nested.push_back(rig.guard.Refresh());
        exits.push_back(rig.guard.ExitSequence());
    };
    EXPECT_EQ(rig.guard.Tick(), PassOutcome::Done);

    EXPECT_EQ(rig.processes.calls,
              (std::vector<std::string>{"suspend x.exe", "suspend y.exe", "kill bad.exe"}));
    for (PassOutcome outcome : nested)
        EXPECT_EQ(outcome, PassOutcome::Refused);
    EXPECT_EQ(nested.size(), 6u); // two holds and the kill let events run
    EXPECT_EQ(exits, std::vector<bool>(3, false));
    EXPECT_FALSE(rig.guard.passRunning());

    // Once the pass is over, ticks run again and see what started meanwhile.
    rig.observer.onPendingEvents = nullptr;
    EXPECT_EQ(rig.guard.Tick(), PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls.back(), "suspend during.exe");
}

TEST(Reentry, AlertsAnsweredWhileAPassRunsTakeEffect) {
    GuardRig rig;
    rig.StartGuard({"init"});
    rig.processes.Start("x.exe");
    rig.processes.Start("y.exe");
    rig.observer.onPendingEvents = [&] {
        // The countdown of an earlier alert runs out while the next process is held.
        for (const auto& alert : std::vector(rig.guard.openAlerts())) {
            while (!alert->answered())
                alert->CountdownTick();
        }
    };
    rig.guard.Tick();
    ASSERT_EQ(rig.observer.alerts.size(), 2u);
    EXPECT_TRUE(rig.observer.alerts[0]->answered());
    EXPECT_FALSE(rig.observer.alerts[1]->answered());
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"x.exe"}));

    // Kill Now lets events run too: the countdown reaching zero meanwhile must not block
    // the process a second time.
    auto second = rig.observer.alerts[1];
    for (int i = 0; i < 9; ++i)
        second->CountdownTick();
    rig.observer.onPendingEvents = [&] { second->CountdownTick(); };
    second->KillNow();
    EXPECT_EQ(rig.processes.calls.back(), "kill y.exe");
    EXPECT_EQ(rig.guard.jail().Find("y.exe"), nullptr);
    EXPECT_EQ(rig.guard.counters().blockedCount, 1);
}

// A list taken on another thread: the tick judges it like its own, is refused inside a
// pass like its own, and a failed listing changes nothing.
TEST(Reentry, ATickOverAListTakenElsewhereDecidesAsATick) {
    GuardRig rig;
    rig.StartGuard({"init"});
    rig.processes.Start("x.exe");
    auto listed = rig.processes.ListProcesses();
    std::vector<PassOutcome> nested;
    rig.observer.onPendingEvents = [&] { nested.push_back(rig.guard.TickWith(listed)); };
    EXPECT_EQ(rig.guard.TickWith(listed), PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"suspend x.exe"});
    EXPECT_EQ(nested, std::vector<PassOutcome>{PassOutcome::Refused});

    rig.observer.onPendingEvents = nullptr;
    rig.processes.failListing = true;
    EXPECT_EQ(rig.guard.TickWith(rig.processes.ListProcesses()), PassOutcome::SnapshotFailed);
    EXPECT_EQ(rig.guard.snapshotNames().size(), 2u);
}

} // namespace
} // namespace quorvel::guard::testing
