#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::guard::testing {
namespace {

TEST(Snapshot, StartUpOnlyRecordsWhatRunsAndStartsTheGuard) {
    GuardRig rig;
    rig.processes.Start("init");
    const uint32_t unknown = rig.processes.Start("unknown.exe");
    rig.trust.blacklist = {"unknown.exe"};
    rig.guard.StartUp();

    EXPECT_TRUE(rig.processes.calls.empty());
    EXPECT_TRUE(rig.observer.alerts.empty());
    EXPECT_EQ(rig.guard.processListLines(),
              (std::vector<std::string>{"100=init", std::to_string(unknown) + "=unknown.exe"}));
    EXPECT_EQ(rig.guard.counters().processesListed, 2);
    EXPECT_FALSE(rig.guard.flags().firstSnapshot);
    EXPECT_TRUE(rig.guard.flags().started);
    EXPECT_TRUE(rig.guard.flags().running);
    EXPECT_TRUE(rig.guard.timerEnabled());
    EXPECT_EQ(rig.guard.timerPeriodMs(), 250);
    EXPECT_EQ(rig.guard.monitorText(), "ON");
    EXPECT_EQ(rig.guard.startStopCaption(), "Stop Quorvel");

    // The already-running process is never judged, not even at later ticks.
    rig.guard.Tick();
    rig.guard.Tick();
    EXPECT_TRUE(rig.processes.calls.empty());
}

TEST(Snapshot, ProcessListIsRebuiltOnlyTheTickAfterAChangeAndRefreshAppends) {
    GuardRig rig;
    rig.StartGuard({"init"});
    EXPECT_EQ(rig.guard.processListLines(), (std::vector<std::string>{"100=init"}));
    EXPECT_FALSE(rig.guard.flags().listRefreshPending);

    rig.trust.whitelist = {"app.exe"};
    const uint32_t app = rig.processes.Start("app.exe");
    rig.guard.Tick(); // sees the new name, marks the list
    EXPECT_EQ(rig.guard.processListLines(), (std::vector<std::string>{"100=init"}));
    EXPECT_TRUE(rig.guard.flags().listRefreshPending);

    // Refresh appends below the old lines and leaves the mark.
    rig.guard.Refresh();
    const std::string appLine = std::to_string(app) + "=app.exe";
    EXPECT_EQ(rig.guard.processListLines(),
              (std::vector<std::string>{"100=init", "100=init", appLine}));
    EXPECT_TRUE(rig.guard.flags().listRefreshPending);

    rig.guard.Tick(); // rebuilds
    EXPECT_EQ(rig.guard.processListLines(), (std::vector<std::string>{"100=init", appLine}));
    EXPECT_FALSE(rig.guard.flags().listRefreshPending);
}

TEST(Snapshot, TableHoldsEveryProcessOfABusyMachine) {
    GuardRig rig;
    std::vector<std::string> names;
    for (int i = 0; i < 600; ++i)
        names.push_back("worker" + std::to_string(i % 50));
    rig.StartGuard(names);
    const uint32_t late = rig.processes.Start("late.exe");
    rig.guard.Tick();

    EXPECT_EQ(rig.guard.table().size(), 601u);
    EXPECT_EQ(rig.guard.counters().processesListed, 601);
    EXPECT_TRUE(rig.observer.messages.empty());
    EXPECT_EQ(rig.processes.calls, (std::vector<std::string>{"suspend late.exe"}));
    EXPECT_EQ(rig.guard.currentPid(), late);
    EXPECT_EQ(rig.guard.currentSlot(), 600);
}

TEST(Snapshot, TableFullIsReportedOncePerRunAndItsUnstoredNamesAreLeftAlone) {
    GuardRig rig;
    std::vector<std::string> names(ProcessTable::kCapacity, "filler");
    rig.StartGuard(names);
    EXPECT_TRUE(rig.observer.messages.empty());

    rig.guard.modes().SetChkauto(1);
    rig.processes.Start("overflow.exe"); // slot 32,767 does not exist
    rig.guard.Tick();
    rig.guard.Tick();

    ASSERT_EQ(rig.observer.messages.size(), 1u);
    EXPECT_EQ(rig.observer.messages[0], "Quorvel | Protect and Defend your PC|Array full,Quorvel "
                                        "can't enumerate Processes|warning");
    EXPECT_EQ(rig.guard.counters().processesListed, 32768);
    EXPECT_EQ(rig.guard.snapshotNames().back().name, "overflow.exe");
    // Anti Exe Mode is on, yet nothing is killed in place of the unstored process.
    EXPECT_TRUE(rig.processes.calls.empty());
}

TEST(Snapshot, AFailedSnapshotChangesNothing) {
    GuardRig rig;
    rig.StartGuard({"init", "notepad.exe"});
    rig.processes.Start("x.exe");
    rig.guard.Tick();
    rig.observer.alerts.front()->Block();
    ASSERT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"x.exe"}));
    const auto listBefore = rig.guard.processListLines();

    rig.processes.failListing = true;
    EXPECT_EQ(rig.guard.Tick(), PassOutcome::SnapshotFailed);
    EXPECT_EQ(rig.guard.Refresh(), PassOutcome::SnapshotFailed);
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"x.exe"}));
    EXPECT_TRUE(rig.guard.jail().Find("x.exe")->present);
    EXPECT_EQ(rig.guard.processListLines(), listBefore);
    EXPECT_EQ(rig.guard.snapshotNames().size(), 3u);

    // Back again: nothing that ran all along counts as new.
    rig.processes.failListing = false;
    const auto callsBefore = rig.processes.calls.size();
    EXPECT_EQ(rig.guard.Tick(), PassOutcome::Done);
    EXPECT_EQ(rig.processes.calls.size(), callsBefore);
}

TEST(Snapshot, RefreshStillComparesAfterStop) {
    GuardRig rig;
    rig.StartGuard({"init"});
    rig.guard.StartStopGuard();
    EXPECT_FALSE(rig.guard.timerEnabled());
    EXPECT_EQ(rig.guard.monitorText(), "OFF");
    EXPECT_EQ(rig.guard.startStopCaption(), "Start Quorvel");
    EXPECT_TRUE(rig.guard.flags().started);

    rig.processes.Start("x.exe");
    rig.guard.Refresh();
    EXPECT_EQ(rig.processes.calls, (std::vector<std::string>{"suspend x.exe"}));
}

TEST(Snapshot, RecordsCountTitledWindowsOfTheirProcess) {
    GuardRig rig;
    const uint32_t editor = rig.processes.Start("editor");
    rig.processes.Start("daemon");
    rig.windows.windows = {{1, editor, "Document 1"}, {2, editor, ""}, {3, editor, "Hidden"}};
    rig.guard.StartUp();
    EXPECT_EQ(rig.guard.table()[0].windowCount, 2);
    EXPECT_EQ(rig.guard.table()[1].windowCount, 0);
    EXPECT_EQ(rig.guard.table()[0].szExeFile(), "editor" + std::string(254, ' '));
}

} // namespace
} // namespace quorvel::guard::testing
