#include "GuardDoubles.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvel::guard::testing {
namespace {

constexpr const char* kInvalid =
    "Quorvel|Invalid interval,enter seconds between 0.001 and 65.535|warning";

struct IntervalApply {
    const char* label;
    std::string text;
    int periodMs; // after "Set Interval", from 2000 ms
    bool running;
    bool complained;
    std::string boxAfter; // what the interval box reads afterwards
};

class SetInterval : public ::testing::TestWithParam<IntervalApply> {};

TEST_P(SetInterval, AppliesOrKeepsThePeriod) {
    const auto& c = GetParam();
    GuardRig rig;
    rig.guard.SetIntervalText("2");
    rig.StartGuard({"init"});
    ASSERT_EQ(rig.guard.timerPeriodMs(), 2000);

    rig.guard.SetIntervalText(c.text);
    rig.guard.ApplyInterval();
    EXPECT_EQ(rig.guard.timerPeriodMs(), c.periodMs);
    EXPECT_EQ(rig.guard.flags().running, c.running);
    EXPECT_EQ(rig.guard.timerEnabled(), c.running);
    EXPECT_EQ(rig.observer.messages,
              c.complained ? std::vector<std::string>{kInvalid} : std::vector<std::string>{});
    EXPECT_EQ(rig.guard.intervalText(), c.boxAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SetInterval,
    ::testing::Values(
        IntervalApply{"zero_gives_the_default", "0", 250, true, false, "0"},
        IntervalApply{"one_and_a_half", "1.5", 1500, true, false, "1.5"},
        IntervalApply{"empty_stops_the_guard", "", 2000, false, false, ""},
        IntervalApply{"not_a_number_keeps_and_shows_the_period", "soon", 2000, true, true, "2"},
        IntervalApply{"too_short_keeps_and_shows_the_period", "0.0001", 2000, true, true, "2"},
        IntervalApply{"too_long_keeps_and_shows_the_period", "70", 2000, true, true, "2"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(StartStopGuard, StartWithAnEmptyBoxRunsAtTheDefaultPeriod) {
    GuardRig rig;
    rig.guard.SetIntervalText("3");
    rig.StartGuard({"init"});
    rig.guard.StartStopGuard();
    rig.guard.SetIntervalText("");
    rig.guard.StartStopGuard();
    EXPECT_TRUE(rig.guard.flags().running);
    EXPECT_TRUE(rig.guard.timerEnabled());
    EXPECT_EQ(rig.guard.timerPeriodMs(), 250);
    EXPECT_EQ(rig.guard.monitorText(), "ON");
}

TEST(StartStopGuard, StartWithABadBoxComplainsAndStillStarts) {
    GuardRig rig;
    rig.guard.SetIntervalText("x");
    rig.StartGuard({"init"});
    EXPECT_TRUE(rig.guard.timerEnabled());
    EXPECT_EQ(rig.guard.timerPeriodMs(), 250);
    EXPECT_EQ(rig.observer.messages, std::vector<std::string>{kInvalid});
    EXPECT_EQ(rig.guard.intervalText(), "0.25") << "the box shows the period in effect";
}

} // namespace
} // namespace quorvel::guard::testing
