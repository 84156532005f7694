#include "guard/IntervalText.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::guard {
namespace {

struct IntervalCase {
    const char* label;
    std::string text;
    IntervalKind kind;
    int periodMs;
};

class IntervalCases : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(IntervalCases, Parses) {
    const auto& c = GetParam();
    const ParsedInterval parsed = ParseInterval(c.text);
    EXPECT_EQ(parsed.kind, c.kind);
    if (c.kind == IntervalKind::Period) {
        EXPECT_EQ(parsed.periodMs, c.periodMs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntervalCases,
    ::testing::Values(IntervalCase{"zero_is_the_default", "0", IntervalKind::Period, 250},
                      IntervalCase{"zero_point_zero_is_the_default", " 0.0 ", IntervalKind::Period,
                                   250},
                      IntervalCase{"whole_seconds", "2", IntervalKind::Period, 2000},
                      IntervalCase{"fraction", "1.5", IntervalKind::Period, 1500},
                      IntervalCase{"comma_fraction", "0,5", IntervalKind::Period, 500},
                      IntervalCase{"leading_point", ".25", IntervalKind::Period, 250},
                      IntervalCase{"half_rounds_to_even_down", "0.0025", IntervalKind::Period, 2},
                      IntervalCase{"half_rounds_to_even_up", "0.0015", IntervalKind::Period, 2},
                      IntervalCase{"above_half_rounds_up", "0.00251", IntervalKind::Period, 3},
                      IntervalCase{"smallest", "0.001", IntervalKind::Period, 1},
                      IntervalCase{"largest", "65.535", IntervalKind::Period, 65535},
                      IntervalCase{"empty", "", IntervalKind::Empty, 0},
                      IntervalCase{"blanks_only", "  ", IntervalKind::Invalid, 0},
                      IntervalCase{"word", "fast", IntervalKind::Invalid, 0},
                      IntervalCase{"trailing_garbage", "1s", IntervalKind::Invalid, 0},
                      IntervalCase{"two_points", "1.2.3", IntervalKind::Invalid, 0},
                      IntervalCase{"negative", "-1", IntervalKind::Invalid, 0},
                      IntervalCase{"rounds_to_zero", "0.0004", IntervalKind::Invalid, 0},
                      IntervalCase{"too_long", "65.536", IntervalKind::Invalid, 0},
                      IntervalCase{"huge", "99999999999999999999", IntervalKind::Invalid, 0}),
    [](const auto& row) { return std::string(row.param.label); });

// The box shows a period in the shortest text that reads back to it.
TEST(IntervalText, ShowsAPeriodAsSecondsThatReadBackToIt) {
    for (const auto& [ms, text] : std::vector<std::pair<int, std::string>>{{250, "0.25"},
                                                                           {1500, "1.5"},
                                                                           {2000, "2"},
                                                                           {1, "0.001"},
                                                                           {65535, "65.535"},
                                                                           {10, "0.01"}}) {
        EXPECT_EQ(IntervalText(ms), text);
        const ParsedInterval parsed = ParseInterval(text);
        EXPECT_EQ(parsed.kind, IntervalKind::Period) << text;
        EXPECT_EQ(parsed.periodMs, ms) << text;
    }
}

} // namespace
} // namespace quorvel::guard
