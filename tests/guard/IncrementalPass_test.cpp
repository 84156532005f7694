#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quorvel::guard::testing {
namespace {

// Exec events as the system would report them for the rig's processes: whatever the
// test (or the guard, by a kill) started, forked, exec'd or ended since the last drain.
class WorldEvents final : public platform::ExecEvents {
public:
    explicit WorldEvents(FakeProcesses& world) : m_world(world) {}
    platform::ExecSource source() const override { return platform::ExecSource::ProcConnector; }
    std::string description() const override { return "world"; }
    int pollFd() const override { return -1; }
    platform::ExecDrain Drain() override {
        auto drained = m_world.TakeEvents();
        drained.execNames = std::exchange(names, {});
        if (std::exchange(overflow, false)) {
            drained.lost = true;
            drained.execs.clear();
            drained.exits.clear();
        }
        return drained;
    }
    bool Wait(std::chrono::milliseconds) override { return false; }
    bool live() const override { return true; }
    bool reportsExits() const override { return true; }
    void SettlePending(const std::vector<uint32_t>&) override {}
    void StopHolding() override {}

    bool overflow = false; // the next drain lost its events
    std::vector<std::pair<uint32_t, std::string>> names;

private:
    FakeProcesses& m_world;
};

// What a guard shows or did, as text, for comparing two guards step by step.
std::string Visible(GuardRig& rig) {
    std::ostringstream out;
    const auto& guard = rig.guard;
    out << "calls:";
    for (const auto& call : rig.processes.calls)
        out << " " << call;
    out << "\ndecisions:";
    for (const auto& decision : rig.observer.decisions)
        out << " " << static_cast<int>(decision.kind) << "/" << decision.pid << "/" << decision.name
            << "/" << decision.parentPid;
    out << "\nalerts:";
    for (const auto& alert : guard.openAlerts())
        out << " " << alert->info().pid << "=" << alert->info().name;
    out << "\ntray:";
    for (const auto& line : rig.observer.trayMessages)
        out << " " << line;
    out << "\nlog: " << rig.observer.logLines.size();
    const auto& counters = guard.counters();
    out << "\ncounters: " << counters.totalDetected << " " << counters.blockedCount << " "
        << counters.blockedOverview << " " << counters.lastBlocked << " "
        << counters.processesListed;
    out << "\njail:";
    for (const auto& entry : guard.jail().slots()) {
        out << " " << entry.exeName << "/" << entry.present << "/" << entry.lastAction << "/"
            << entry.attemptCount << "/" << entry.lastAccessTime << "[";
        for (int32_t id : entry.blockedIds)
            out << id << ",";
        out << "]";
    }
    out << "\njail list:";
    for (const auto& item : guard.jail().list())
        out << " " << item;
    out << "\ntable:";
    for (const auto& record : guard.table().slots())
        out << " " << record.th32ProcessID << "=" << record.exeName << "<"
            << record.th32ParentProcessID;
    out << "\nnames:";
    for (const auto& name : guard.snapshotNames())
        out << " " << name.name;
    out << "\nlist:";
    for (const auto& line : guard.processListLines())
        out << " " << line;
    out << "\nlist pending: " << guard.flags().listRefreshPending;
    return out.str();
}

// Random forks, execs (new and known names, names differing in case), exits, reuse of
// PIDs and lost events, applied to two identical worlds: one guard follows its world by
// the events, the other lists its world in full each step. Both must show the same.
class Differential : public ::testing::TestWithParam<uint32_t> {};

TEST_P(Differential, EventPassesDecideAsFullListingsDo) {
    const uint32_t seed = GetParam();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto pick = [&](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };
    auto chance = [&](int percent) { return static_cast<int>(pick(100)) < percent; };

    const std::vector<std::string> names = {"init",  "sh",    "tool",  "Tool",        "evil",
                                            "trust", "x.exe", "X.EXE", "svchost.exe", "cc",
                                            "ld",    "as",    "make",  "Make",        "awk"};
    GuardRig events;
    GuardRig listing;
    WorldEvents feed(events.processes);
    ExecTriage triage;
    events.guard.UseExecEvents(&feed, &triage, nullptr);
    const int mode = chance(60) ? 0 : 1 + static_cast<int>(pick(2));
    for (GuardRig* rig : {&events, &listing}) {
        rig->trust.whitelist = {"trust"};
        rig->trust.blacklist = {"evil"};
        if (mode == 1)
            rig->guard.modes().SetChkauto(1);
        if (mode == 2)
            rig->guard.modes().SetChkjustwarnme(1);
        rig->StartGuard({"init", "sh", "tool", "sh"});
    }
    (void)events.processes.TakeEvents();
    ASSERT_EQ(Visible(events), Visible(listing));

    std::vector<uint32_t> endedPids; // may come back, though never within one step
    for (int step = 0; step < 200; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        std::vector<uint32_t> endedNow;
        const size_t ops = 1 + pick(4);
        for (size_t op = 0; op < ops; ++op) {
            std::vector<uint32_t> running;
            const auto listed = listing.processes.ListProcesses();
            for (const auto& entry : listed.value())
                running.push_back(entry.pid);
            // Few processes, so that names end and come back often.
            const size_t kind = running.size() > 12 ? 65 + pick(35) : pick(100);
            const std::string name = names[pick(names.size())];
            auto both = [&](auto action) {
                action(events.processes);
                action(listing.processes);
            };
            if (kind < 25 || running.size() < 3) {
                both([&](FakeProcesses& world) { world.Start(name); });
            } else if (kind < 40) {
                const uint32_t parent = running[pick(running.size())];
                both([&](FakeProcesses& world) { world.Fork(parent); });
            } else if (kind < 65) {
                const uint32_t pid = running[pick(running.size())];
                const bool held = chance(10);
                both([&](FakeProcesses& world) {
                    world.Exec(pid, name);
                    if (held)
                        world.MarkExecPending(pid);
                });
            } else if (kind < 90) {
                const uint32_t pid = running[pick(running.size())];
                both([&](FakeProcesses& world) { world.End(pid); });
                endedNow.push_back(pid);
            } else if (!endedPids.empty()) {
                const size_t index = pick(endedPids.size());
                const uint32_t pid = endedPids[index];
                bool alive = false;
                for (uint32_t other : running)
                    alive = alive || other == pid;
                if (!alive) {
                    endedPids.erase(endedPids.begin() + static_cast<std::ptrdiff_t>(index));
                    both([&](FakeProcesses& world) { world.StartAs(pid, name); });
                }
            }
        }
        endedPids.insert(endedPids.end(), endedNow.begin(), endedNow.end());

        const bool lost = chance(5);
        feed.overflow = lost;
        const int listingsBefore = events.processes.listings;
        for (GuardRig* rig : {&events, &listing})
            rig->clock.Advance(std::chrono::seconds(1)); // the jail's times tell passes apart
        events.guard.ExecEventsReady();
        (void)listing.processes.TakeEvents();
        listing.guard.Tick();
        if (!lost) { // served by the events alone
            EXPECT_EQ(events.processes.listings, listingsBefore);
        }
        // The timer's pass: skipped, a rebuild of the list, or a listing due to reconcile;
        // the other guard then runs a pass too (each pass moves the list on). Only while
        // no event is on its way: the other guard's listing would see what it reports.
        if (chance(10) && !events.processes.eventsPending() &&
            events.guard.TimerTick() == PassOutcome::Done)
            listing.guard.Tick();

        // The same answer to the oldest alert in both.
        if (!listing.guard.openAlerts().empty() && chance(70)) {
            const size_t answer = pick(3);
            for (GuardRig* rig : {&events, &listing}) {
                ASSERT_FALSE(rig->guard.openAlerts().empty());
                const auto alert = rig->guard.openAlerts().front();
                if (answer == 0)
                    alert->Allow();
                else if (answer == 1)
                    alert->Block();
                else
                    alert->KillNow();
            }
        }
        ASSERT_EQ(Visible(events), Visible(listing));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Differential, ::testing::Range(1u, 41u));

// An event pass over a thousand processes reads the one process its event named.
TEST(EventPass, ReadsOnlyWhatTheEventsNamed) {
    GuardRig rig;
    WorldEvents feed(rig.processes);
    ExecTriage triage;
    rig.guard.UseExecEvents(&feed, &triage, nullptr);
    rig.trust.whitelist = {"trusted"};
    rig.StartGuard(std::vector<std::string>(1000, "sleeper"));
    (void)rig.processes.TakeEvents();
    const int listings = rig.processes.listings;

    const uint32_t pid = rig.processes.Start("trusted");
    EXPECT_EQ(rig.guard.ExecEventsReady(), PassOutcome::Done);
    EXPECT_EQ(rig.processes.reads, 1);
    EXPECT_EQ(rig.processes.listings, listings);
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::Trusted);
    EXPECT_EQ(rig.observer.decisions[0].pid, pid);
    EXPECT_EQ(rig.guard.counters().processesListed, 1001);

    // Its exit ends the name; the timer finds nothing to do, until a listing is due to
    // put right what an event might have missed.
    rig.processes.End(pid);
    EXPECT_EQ(rig.guard.ExecEventsReady(), PassOutcome::Done);
    EXPECT_EQ(rig.guard.counters().processesListed, 1000);
    EXPECT_EQ(rig.guard.TimerTick(), PassOutcome::Skipped);
    rig.clock.Advance(kReconcilePeriod);
    EXPECT_EQ(rig.guard.TimerTick(), PassOutcome::Done);
    EXPECT_EQ(rig.processes.listings, listings + 1);
    EXPECT_EQ(rig.guard.TimerTick(), PassOutcome::Skipped);
}

// Let go inside execve, an exec is read while execve goes on: the process still shows
// the shell it was forked from. It is judged as the program the event named.
TEST(EventPass, AnExecReadBeforeItIsThroughIsJudgedAsItsProgram) {
    GuardRig rig;
    WorldEvents feed(rig.processes);
    ExecTriage triage;
    rig.guard.UseExecEvents(&feed, &triage, nullptr);
    rig.trust.whitelist = {"trusted"};
    rig.StartGuard({"init", "sh"});
    (void)rig.processes.TakeEvents();

    const uint32_t child = rig.processes.Fork(rig.processes.PidOf("sh"));
    feed.names = {{child, "trusted"}};
    rig.guard.ExecEventsReady();
    EXPECT_TRUE(rig.processes.calls.empty()) << "the shell's copy is not held";
    ASSERT_EQ(rig.observer.decisions.size(), 1u);
    EXPECT_EQ(rig.observer.decisions[0].kind, DecisionKind::Trusted);
    EXPECT_EQ(rig.observer.decisions[0].name, "trusted");

    // Once through, it reads as itself: nothing changes, nothing is judged again.
    rig.processes.Exec(child, "trusted");
    rig.guard.ExecEventsReady();
    EXPECT_EQ(rig.observer.decisions.size(), 1u);
}

// A program that starts while another of its name ends, between two passes, is judged:
// counting instances per name would see nothing new.
TEST(Identity, AProgramReplacingOneOfItsNameIsJudged) {
    for (const bool byEvents : {false, true}) {
        SCOPED_TRACE(byEvents ? "event pass" : "timer pass");
        GuardRig rig;
        WorldEvents feed(rig.processes);
        ExecTriage triage;
        if (byEvents)
            rig.guard.UseExecEvents(&feed, &triage, nullptr);
        rig.trust.blacklist = {"evil"};
        rig.StartGuard({"init", "evil"});
        (void)rig.processes.TakeEvents();
        const uint32_t first = rig.processes.PidOf("evil");
        rig.processes.calls.clear();

        rig.processes.End(first);
        const uint32_t second = rig.processes.Start("evil");
        if (byEvents)
            rig.guard.ExecEventsReady();
        else
            rig.guard.Tick();
        EXPECT_EQ(rig.processes.calls, std::vector<std::string>{"kill evil"});
        ASSERT_EQ(rig.observer.decisions.size(), 1u);
        EXPECT_EQ(rig.observer.decisions[0].pid, second);

        // The same PID again, for a later program of the same name.
        rig.processes.End(second);
        rig.processes.StartAs(second, "evil");
        if (byEvents)
            rig.guard.ExecEventsReady();
        else
            rig.guard.Tick();
        EXPECT_EQ(rig.observer.decisions.size(), 2u);
    }
}

} // namespace
} // namespace quorvel::guard::testing
