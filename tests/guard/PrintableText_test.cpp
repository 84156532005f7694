#include "guard/DecisionRows.h"
#include "guard/PrintableText.h"

#include <gtest/gtest.h>

namespace quorvel::guard {
namespace {

struct PrintableCase {
    const char* label;
    std::string raw;
    std::string shown;
};

class PrintableCases : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(PrintableCases, ShowsWhatCannotMoveTheCursor) {
    EXPECT_EQ(PrintableText(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PrintableCases,
    ::testing::Values(
        PrintableCase{"plain", "ld-linux-x86-64.so.2", "ld-linux-x86-64.so.2"},
        PrintableCase{"utf8_kept", "r\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80",
                      "r\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80"},
        PrintableCase{"newline_and_return", "a\nb\rc\td", "a\\nb\\rc\\td"},
        PrintableCase{"escape_sequence", "\x1b[2Jx\x7f", "\\x1B[2Jx\\x7F"},
        PrintableCase{"c1_control",
                      "a\xC2\x9B"
                      "31m",
                      "a\\u009B31m"},
        PrintableCase{"invalid_bytes", "a\xFF\xC3(\xED\xA0\x80", "a\\xFF\\xC3(\\xED\\xA0\\x80"},
        PrintableCase{"overlong_slash", "\xC0\xAF", "\\xC0\\xAF"},
        PrintableCase{"cut_sequence_at_end", "ab\xE6\x97", "ab\\xE6\\x97"},
        PrintableCase{"windows_path", "C:\\Windows\\a.exe", "C:\\Windows\\a.exe"}),
    [](const auto& row) { return std::string(row.param.label); });

struct FitCase {
    const char* label;
    std::string text;
    size_t width;
    std::string fitted;
};

class FitCases : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitCases, KeepsABlankBeforeTheNextColumn) {
    EXPECT_EQ(FitColumn(GetParam().text, GetParam().width), GetParam().fitted);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, FitCases,
    ::testing::Values(
        FitCase{"short_padded", "sleep", 8, "sleep   "},
        FitCase{"one_less_than_width_fits", "1234567", 8, "1234567 "},
        FitCase{"width_long_is_cut", "12345678", 8, "123456\xE2\x80\xA6 "},
        FitCase{"long_is_cut", "ld-linux-x86-64.so.2", 18, "ld-linux-x86-64.\xE2\x80\xA6 "},
        FitCase{"wide_characters_take_two_cells", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 6,
                "\xE6\x97\xA5\xE6\x9C\xAC\xE2\x80\xA6 "},
        FitCase{"wide_characters_that_fit", "\xE6\x97\xA5\xE6\x9C\xAC", 6,
                "\xE6\x97\xA5\xE6\x9C\xAC  "}),
    [](const auto& row) { return std::string(row.param.label); });

// The fault: a name one cell too long ran into the hash beside it.
TEST(LogTable, ALongNameNeverRunsIntoTheNextColumn) {
    DecisionLine line;
    line.time = "2026-12-10T06:05:09Z";
    line.action = "Killed (Blacklist)";
    line.how = "denied before start";
    line.pid = "4242";
    line.parentPid = "1";
    line.user = "a-rather-long-user-name";
    line.name = "ld-linux-x86-64.so.2";
    line.path = "/lib64/ld-linux-x86-64.so.2";
    line.sha256 = "02bcda52c1a5" + std::string(52, '0');
    line.hashFrom = "file";
    line.source = "fanotify exec permission";
    const std::string header = LogHeader();
    const std::string row = LogRow(line);
    EXPECT_EQ(row.find("so.202bcda"), std::string::npos) << row;
    // The hash starts where its heading does: nothing before it pushed it along.
    // (Each cut adds an ellipsis of three bytes and one cell.)
    const size_t shaCell = header.find("SHA-256");
    const std::string cut = "\xE2\x80\xA6";
    size_t cuts = 0;
    for (size_t at = row.find(cut); at != std::string::npos && at < row.find("02bcda");
         at = row.find(cut, at + 1))
        ++cuts;
    EXPECT_EQ(row.find("02bcda52c1a5"), shaCell + 2 * cuts) << header << "\n" << row;
    EXPECT_EQ(cuts, 2u) << "the user and the name are cut";
    EXPECT_NE(row.find(" /lib64/ld-linux-x86-64.so.2"), std::string::npos) << row;
}

TEST(LogTable, AForgedRowStaysInItsLine) {
    DecisionLine line;
    line.time = "2026-12-10T06:05:09Z";
    line.action = "Blocked";
    line.name = "evil\n2026-12-10T06:05:10Z Trusted";
    line.path = "/tmp/evil\n2026-12-10T06:05:10Z Trusted\xFF";
    line.reason = "why\r";
    const std::string row = LogRow(line);
    EXPECT_EQ(row.find('\n'), std::string::npos) << row;
    EXPECT_EQ(row.find('\r'), std::string::npos) << row;
    EXPECT_NE(row.find("/tmp/evil\\n2026-12-10T06:05:10Z Trusted\\xFF (why\\r)"), std::string::npos)
        << row;

    GuardDecision decision;
    decision.kind = DecisionKind::HoldFailed;
    decision.pid = 7;
    decision.name = "evil\n12:00:00 | Trusted | 1 | good";
    decision.path = "/tmp/evil\x1b[1A";
    decision.reason = "Operation not permitted";
    EXPECT_EQ(
        DecisionRow("12:00:00", decision),
        "12:00:00 | Not held | 7 | evil\\n12:00:00 | Trusted | 1 | good | /tmp/evil\\x1B[1A | "
        "not held, left running: Operation not permitted");
}

} // namespace
} // namespace quorvel::guard
