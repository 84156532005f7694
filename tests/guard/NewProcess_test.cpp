#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::guard::testing {
namespace {

enum class Mode { Alert, AntiExe, JustNotify };

// One tick after start-up: the processes in `started` appear, in this order.
struct PassCase {
    const char* label;
    Mode mode;
    std::vector<std::string> whitelist;
    std::vector<std::string> blacklist;
    std::vector<std::string> running; // before start-up
    std::vector<std::string> started;
    std::vector<std::string> calls;  // what the guard did to processes
    std::vector<std::string> alerts; // names of the alerts opened
    std::vector<std::string> tray;
    bool listMarked; // the list-refresh-pending flag after the tick
};

class PassCases : public ::testing::TestWithParam<PassCase> {};

TEST_P(PassCases, JudgesTheNewNames) {
    const auto& c = GetParam();
    GuardRig rig;
    rig.trust.whitelist = c.whitelist;
    rig.trust.blacklist = c.blacklist;
    rig.StartGuard(c.running);
    if (c.mode == Mode::AntiExe)
        rig.guard.modes().SetChkauto(1);
    if (c.mode == Mode::JustNotify)
        rig.guard.modes().SetChkjustwarnme(1);
    for (const auto& name : c.started)
        rig.processes.Start(name);

    rig.guard.Tick();

    EXPECT_EQ(rig.processes.calls, c.calls);
    std::vector<std::string> alerts;
    for (const auto& alert : rig.observer.alerts)
        alerts.push_back(alert->info().name);
    EXPECT_EQ(alerts, c.alerts);
    EXPECT_EQ(rig.observer.trayMessages, c.tray);
    EXPECT_EQ(rig.guard.flags().listRefreshPending, c.listMarked);

    // Names the pass did not reach are never judged later either.
    const auto calls = rig.processes.calls;
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, calls);
}

const std::vector<std::string> kNone;

INSTANTIATE_TEST_SUITE_P(SvchostRule, PassCases,
                         ::testing::Values(PassCase{"never_judged_in_anti_exe",
                                                    Mode::AntiExe,
                                                    kNone,
                                                    kNone,
                                                    {"init"},
                                                    {"svchost.exe"},
                                                    kNone,
                                                    kNone,
                                                    kNone,
                                                    false},
                                           PassCase{"never_killed_when_blacklisted",
                                                    Mode::Alert,
                                                    kNone,
                                                    {"svchost.exe"},
                                                    {"init"},
                                                    {"svchost.exe"},
                                                    kNone,
                                                    kNone,
                                                    kNone,
                                                    false},
                                           PassCase{"any_name_containing_it",
                                                    Mode::Alert,
                                                    kNone,
                                                    kNone,
                                                    {"init"},
                                                    {"my-svchost.exe.bak"},
                                                    kNone,
                                                    kNone,
                                                    kNone,
                                                    false},
                                           PassCase{"is_case_sensitive",
                                                    Mode::AntiExe,
                                                    kNone,
                                                    kNone,
                                                    {"init"},
                                                    {"SVCHOST.EXE"},
                                                    {"kill SVCHOST.EXE"},
                                                    kNone,
                                                    kNone,
                                                    true},
                                           PassCase{"skipping_does_not_end_the_pass",
                                                    Mode::Alert,
                                                    kNone,
                                                    {"bad.exe"},
                                                    {"init"},
                                                    {"svchost.exe", "bad.exe"},
                                                    {"kill bad.exe"},
                                                    kNone,
                                                    kNone,
                                                    true}),
                         [](const auto& row) { return std::string(row.param.label); });

INSTANTIATE_TEST_SUITE_P(EndOfPass, PassCases,
                         ::testing::Values(PassCase{"anti_exe_kills_even_whitelisted",
                                                    Mode::AntiExe,
                                                    {"app.exe"},
                                                    kNone,
                                                    {"init"},
                                                    {"app.exe", "other.exe"},
                                                    {"kill app.exe"},
                                                    kNone,
                                                    kNone,
                                                    true},
                                           PassCase{"whitelisted_leaves_the_rest_unjudged",
                                                    Mode::Alert,
                                                    {"a.exe"},
                                                    kNone,
                                                    {"init"},
                                                    {"a.exe", "b.exe"},
                                                    kNone,
                                                    kNone,
                                                    kNone,
                                                    true},
                                           PassCase{"whitelist_item_holding_a_path_matches",
                                                    Mode::Alert,
                                                    {"C:\\tools\\a.exe"},
                                                    kNone,
                                                    {"init"},
                                                    {"a.exe"},
                                                    kNone,
                                                    kNone,
                                                    kNone,
                                                    true},
                                           PassCase{"just_notify_announces_blacklisted_and_ends",
                                                    Mode::JustNotify,
                                                    kNone,
                                                    {"bad.exe"},
                                                    {"init"},
                                                    {"bad.exe", "c.exe"},
                                                    kNone,
                                                    kNone,
                                                    {"WARNING|New process detected : bad.exe"},
                                                    true},
                                           PassCase{"just_notify_leaves_whitelisted_silent",
                                                    Mode::JustNotify,
                                                    {"a.exe"},
                                                    kNone,
                                                    {"init"},
                                                    {"a.exe"},
                                                    kNone,
                                                    kNone,
                                                    kNone,
                                                    true},
                                           PassCase{"blacklisted_killed_and_ends",
                                                    Mode::Alert,
                                                    kNone,
                                                    {"bad.exe"},
                                                    {"init"},
                                                    {"bad.exe", "c.exe"},
                                                    {"kill bad.exe"},
                                                    kNone,
                                                    kNone,
                                                    true},
                                           PassCase{"blacklist_is_case_sensitive",
                                                    Mode::Alert,
                                                    kNone,
                                                    {"Bad.exe"},
                                                    {"init"},
                                                    {"bad.exe"},
                                                    {"suspend bad.exe"},
                                                    {"bad.exe"},
                                                    kNone,
                                                    true},
                                           PassCase{"holds_let_the_pass_go_on",
                                                    Mode::Alert,
                                                    kNone,
                                                    kNone,
                                                    {"init"},
                                                    {"x.exe", "y.exe"},
                                                    {"suspend x.exe", "suspend y.exe"},
                                                    {"x.exe", "y.exe"},
                                                    kNone,
                                                    true},
                                           PassCase{"hold_then_kill_ends",
                                                    Mode::Alert,
                                                    kNone,
                                                    {"bad.exe"},
                                                    {"init"},
                                                    {"x.exe", "bad.exe", "z.exe"},
                                                    {"suspend x.exe", "kill bad.exe"},
                                                    {"x.exe"},
                                                    kNone,
                                                    true}),
                         [](const auto& row) { return std::string(row.param.label); });

INSTANTIATE_TEST_SUITE_P(Instances, PassCases,
                         ::testing::Values(PassCase{"second_instance_is_new",
                                                    Mode::Alert,
                                                    kNone,
                                                    kNone,
                                                    {"init", "app.exe"},
                                                    {"app.exe"},
                                                    {"suspend app.exe"},
                                                    {"app.exe"},
                                                    kNone,
                                                    true},
                                           PassCase{"case_only_variant_is_new_when_both_run",
                                                    Mode::AntiExe,
                                                    kNone,
                                                    kNone,
                                                    {"init", "app.exe"},
                                                    {"APP.EXE"},
                                                    {"kill APP.EXE"},
                                                    kNone,
                                                    kNone,
                                                    true}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(Instances, TheInstanceActedOnIsTheOneListedLast) {
    GuardRig rig;
    rig.StartGuard({"init", "app.exe", "bash"});
    const uint32_t first = rig.processes.PidOf("app.exe");
    const uint32_t second = rig.processes.Start("app.exe");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.suspendCount[second], 1);
    EXPECT_EQ(rig.processes.suspendCount[first], 0);
    ASSERT_EQ(rig.observer.alerts.size(), 1u);
    EXPECT_EQ(rig.observer.alerts[0]->info().pid, second);
}

TEST(Instances, TheProcessInSlotZeroIsNeverHeldForANewInstanceOfIt) {
    GuardRig rig; // slot 0 is init on Linux; a new instance of its name must not hold it
    rig.StartGuard({"bash", "login"});
    const uint32_t first = rig.processes.PidOf("bash");
    const uint32_t second = rig.processes.Start("bash");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.suspendCount[first], 0);
    EXPECT_EQ(rig.processes.suspendCount[second], 1);
}

// The name comparison sees neither a new nor an ended name, but the process is another:
// it is judged, and the jail's record of the name stays as it was.
TEST(Instances, ACaseOnlyReplacementEndsNoNameButIsJudged) {
    GuardRig rig;
    rig.guard.modes().SetChkauto(1);
    rig.StartGuard({"init", "notepad.exe"});
    rig.processes.End(rig.processes.PidOf("notepad.exe"));
    rig.processes.Start("NOTEPAD.EXE");
    const int jailChanges = rig.observer.jailListChanges;
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"kill NOTEPAD.EXE"});
    EXPECT_EQ(rig.observer.jailListChanges, jailChanges);
}

TEST(Instances, OneOfTwoInstancesEndingEndsNothing) {
    GuardRig rig;
    rig.StartGuard({"init", "x.exe"});
    rig.observer.alerts.clear();
    rig.processes.Start("x.exe");
    rig.guard.Tick();
    rig.observer.alerts.at(0)->Block();
    rig.processes.End(rig.processes.PidOf("x.exe"));
    rig.guard.Tick();
    EXPECT_EQ(rig.guard.jail().list(), (std::vector<std::string>{"x.exe"}));
    rig.processes.End(rig.processes.PidOf("x.exe"));
    rig.guard.Tick();
    EXPECT_TRUE(rig.guard.jail().list().empty());
}

TEST(NewProcess, AJailRecordIsMarkedPresentBeforeTheModeIsApplied) {
    GuardRig rig;
    rig.StartGuard({"init"});
    rig.processes.Start("app.exe");
    rig.guard.Tick();
    rig.observer.alerts.at(0)->Allow();
    rig.processes.End(rig.processes.PidOf("app.exe"));
    rig.guard.Tick();
    ASSERT_FALSE(rig.guard.jail().Find("app.exe")->present);

    rig.guard.modes().SetChkauto(1);
    rig.clock.Advance(std::chrono::seconds(60));
    rig.processes.Start("APP.EXE");
    rig.guard.Tick();
    EXPECT_EQ(rig.processes.calls.back(), "kill APP.EXE");
    const JailEntry* entry = rig.guard.jail().Find("app.exe");
    EXPECT_TRUE(entry->present);
    EXPECT_EQ(entry->lastAccessTime, "14:06:09");
    EXPECT_EQ(entry->attemptCount, 1);
}

TEST(NewProcess, HoldingCountsLogsAndOpensTheAlertAfterEventsRan) {
    GuardRig rig;
    rig.StartGuard({"init"});
    // Another program's window on the screen, and an alert of our own (PID 1).
    rig.windows.windows = {{11, 500, "Editor", true}, {12, 1, "--WARNING--", true}};
    rig.processes.Start("tool.exe", "/opt/tools/tool.exe");
    rig.processes.Start("nopath.exe");
    rig.observer.onPendingEvents = [&] {
        // The alert opens only after pending events ran.
        EXPECT_EQ(rig.observer.alerts.size(), rig.observer.pendingEvents - 1u);
    };
    rig.guard.Tick();

    EXPECT_EQ(rig.guard.counters().totalDetected, 2);
    EXPECT_EQ(rig.guard.processLog(),
              (std::vector<std::string>{"07/03/2013 : 14:05:09 - /opt/tools/tool.exe",
                                        "07/03/2013 : 14:05:09 - nopath.exe"}));
    EXPECT_EQ(rig.observer.logLines, rig.guard.processLog());
    // The desktop is cleared before each alert, but never of the program's own windows.
    EXPECT_EQ(rig.windows.minimized, (std::vector<uint64_t>{11, 11}));
    ASSERT_EQ(rig.observer.alerts.size(), 2u);
    EXPECT_EQ(rig.observer.alerts[1]->info().name, "nopath.exe");
    ASSERT_EQ(rig.observer.decisions.size(), 2u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::Held);
    EXPECT_EQ(rig.observer.decisions[0].path, "/opt/tools/tool.exe");
}

TEST(NewProcess, AProcessThatCannotBeSuspendedGetsNoAlertButALogLineAndAPopup) {
    GuardRig rig;
    rig.StartGuard({"init"});
    rig.processes.failSuspend = true;
    rig.windows.windows = {{11, 500, "Editor", true}};
    rig.processes.Start("root.exe", "/sbin/root.exe");
    rig.guard.Tick();

    EXPECT_EQ(rig.processes.calls.back(), "suspend root.exe");
    EXPECT_TRUE(rig.observer.alerts.empty());
    EXPECT_TRUE(rig.guard.openAlerts().empty());
    EXPECT_EQ(rig.windows.minimizeCount, 0);
    EXPECT_EQ(rig.guard.processLog(),
              (std::vector<std::string>{
                  "07/03/2013 : 14:05:09 - /sbin/root.exe (not held: Operation not permitted)"}));
    EXPECT_EQ(rig.observer.trayMessages,
              (std::vector<std::string>{
                  "WARNING|Could not hold process : root.exe (Operation not permitted)"}));
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::HoldFailed);
    EXPECT_EQ(DecisionText(DecisionKind::HoldFailed), "Not held");
    EXPECT_EQ(rig.guard.counters().totalDetected, 1);

    // The next process that can be held is held as before.
    rig.processes.failSuspend = false;
    rig.processes.Start("next.exe");
    rig.guard.Tick();
    ASSERT_EQ(rig.observer.alerts.size(), 1u);
    EXPECT_EQ(rig.observer.alerts[0]->info().name, "next.exe");
}

} // namespace
} // namespace quorvel::guard::testing
