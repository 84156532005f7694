#include "store/Settings.h"

#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

struct ParseCase {
    const char* name;
    std::string text;
    SettingsValues values;
};

class ParseSettingsTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSettingsTextTest, ReadsLinesOneToFiveByPosition) {
    EXPECT_EQ(ParseSettingsText(GetParam().text), GetParam().values);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ParseSettingsTextTest,
    ::testing::Values(
        ParseCase{"as_written", "[QUORVEL]\r001-0\r002-0\r003-1\r004-0\r005-1\r", {0, 0, 1, 0, 1}},
        ParseCase{"cr_lf_lines",
                  "[QUORVEL]\r\n001-1\r\n002-2\r\n003-1\r\n004-0\r\n005-1\r\n",
                  {1, 2, 1, 0, 1}},
        ParseCase{"empty", "", {0, 0, 0, 0, 0}},
        ParseCase{"only_the_first_value_without_final_cr", "[QUORVEL]\r001-1", {1, 0, 0, 0, 0}},
        ParseCase{"keys_are_ignored", "anything\rzzz-1\r-2\rx-1\r9-1\ry-1\r", {1, 2, 1, 1, 1}},
        ParseCase{"out_of_range_numbers_kept",
                  "[QUORVEL]\r001-7\r002--1\r003-40000\r",
                  {7, 0, 40000, 0, 0}},
        ParseCase{"text_between_first_and_next_dash", "s\r001-1-2\r002- 2 \r", {1, 2, 0, 0, 0}},
        ParseCase{
            "not_a_number_is_zero", "s\r001-one\r002-1x\r003-\r004\r005-0x1\r", {0, 0, 0, 0, 0}},
        ParseCase{"lf_only_is_one_line", "[QUORVEL]\n001-1\n002-1\n", {0, 0, 0, 0, 0}},
        ParseCase{"lines_after_five_unused",
                  "s\r001-1\r002-1\r003-1\r004-1\r005-1\r006-2\r",
                  {1, 1, 1, 1, 1}}),
    [](const auto& row) { return std::string(row.param.name); });

// The Run value with the Data folder, as Windows splits it back into arguments.
TEST(RunCommandLineTest, QuotesEachArgumentForTheWindowsSplit) {
    EXPECT_EQ(RunCommandLine("C:\\Program Files\\Quorvel\\quorvel.exe", "D:\\My Data"),
              "\"C:\\Program Files\\Quorvel\\quorvel.exe\" --data \"D:\\My Data\"");
    // Backslashes count only before a quote: a trailing one is doubled before the closing
    // quote, and a quote in the name is escaped with the backslashes before it doubled.
    EXPECT_EQ(RunCommandLine("q.exe", "D:\\Data\\"), "\"q.exe\" --data \"D:\\Data\\\\\"");
    EXPECT_EQ(RunCommandLine("q.exe", "a\\\"b"), "\"q.exe\" --data \"a\\\\\\\"b\"");
}

TEST(BuildSettingsTextTest, IsTheFortyByteForm) {
    const std::string text = BuildSettingsText({0, 0, 1, 0, 1});
    EXPECT_EQ(text, "[QUORVEL]\r001-0\r002-0\r003-1\r004-0\r005-1\r");
    EXPECT_EQ(text.size(), 40u);
    EXPECT_EQ(ParseSettingsText(BuildSettingsText({2, 1, 0, 2, 0})),
              (SettingsValues{2, 1, 0, 2, 0}));
}

} // namespace
} // namespace quorvel::store

namespace quorvel::store {
namespace {

struct GenerationsCase {
    const char* label;
    std::string text;
    int generations;
};

class LogGenerationsTest : public ::testing::TestWithParam<GenerationsCase> {};

TEST_P(LogGenerationsTest, ReadsTheCountOrTheDefault) {
    EXPECT_EQ(ParseLogGenerations(GetParam().text), GetParam().generations);
}

INSTANTIATE_TEST_SUITE_P(
    AuditIni, LogGenerationsTest,
    ::testing::Values(GenerationsCase{"missing_file", "", kDefaultLogGenerations},
                      GenerationsCase{"given", "Generations=9\n", 9},
                      GenerationsCase{"after_other_lines_crlf", "# log\r\nGenerations= 2 \r\n", 2},
                      GenerationsCase{"none_kept", "Generations=0", 0},
                      GenerationsCase{"not_a_number", "Generations=many", kDefaultLogGenerations},
                      GenerationsCase{"negative", "Generations=-3", 0},
                      GenerationsCase{"too_many", "Generations=100000", kMaxLogGenerations}),
    [](const auto& row) { return std::string(row.param.label); });

} // namespace
} // namespace quorvel::store
