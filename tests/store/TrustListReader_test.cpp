#include "store/TrustListReader.h"

#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

struct ReaderCase {
    const char* name;
    std::string text;
    std::vector<std::string> names;
    bool endedAtFieldWithoutBar = false;
};

class TrustListReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(TrustListReaderTest, ReadsFieldsLikeCommaSeparatedInput) {
    const auto& row = GetParam();
    const auto entries = ParseTrustListText(row.text);
    EXPECT_EQ(entries.names, row.names);
    EXPECT_EQ(entries.endedAtFieldWithoutBar, row.endedAtFieldWithoutBar);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TrustListReaderTest,
    ::testing::Values(
        ReaderCase{"two_lines_as_written",
                   "kenal|a.exe\r\nkenal|C:\\x\\b.exe\r\n",
                   {"a.exe", "C:\\x\\b.exe"}},
        ReaderCase{"empty_file", "", {}},
        ReaderCase{"lf_and_cr_only_lines",
                   "kenal|a.exe\nkenal|b.exe\rkenal|c.exe",
                   {"a.exe", "b.exe", "c.exe"}},
        ReaderCase{
            "blank_lines_and_other_text", "\r\n\r\nnotes\r\n  \r\nkenal|a.exe\r\n", {"a.exe"}},
        ReaderCase{"leading_blanks_skipped", "   \tkenal|a.exe\r\n", {"a.exe"}},
        ReaderCase{"trailing_blanks_kept", "kenal|a.exe  \r\n", {"a.exe  "}},
        ReaderCase{"comma_cuts_the_name", "kenal|a,b.exe\r\n", {"a"}},
        ReaderCase{
            "field_after_comma_is_an_entry_only_with_kenal", "x,kenal|b.exe,c.exe\r\n", {"b.exe"}},
        ReaderCase{"quoted_field_keeps_commas", "\"kenal|a,b.exe\"\r\n", {"a,b.exe"}},
        ReaderCase{"text_after_closing_quote_dropped", "\"kenal|a\"junk,kenal|c\r\n", {"a", "c"}},
        ReaderCase{"unclosed_quote_runs_to_the_end", "\"kenal|ab\r\ncd", {"ab\r\ncd"}},
        ReaderCase{"name_ends_at_second_bar", "kenal|a.exe|note\r\n", {"a.exe"}},
        ReaderCase{"prefix_is_case_sensitive", "Kenal|a\r\nKENAL|b\r\nkenalx|c\r\n", {"c"}},
        ReaderCase{"duplicates_kept", "kenal|a\r\nkenal|a\r\n", {"a", "a"}},
        ReaderCase{"empty_name", "kenal|\r\n", {""}},
        ReaderCase{
            "field_without_bar_ends_the_read", "kenal|a\r\nkenal\r\nkenal|b\r\n", {"a", ""}, true},
        ReaderCase{
            "kenal_word_without_bar_after_comma", "kenal|a,kenalan\r\nkenal|b", {"a", ""}, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TrustListLineTest, IsKenalBarNameCrLf) {
    EXPECT_EQ(TrustListLine("C:\\x\\b.exe"), "kenal|C:\\x\\b.exe\r\n");
    EXPECT_EQ(TrustListLine(""), "kenal|\r\n");
}

// A removal rewrites the file from the names read: each must read back as itself.
TEST(TrustListLineTest, EveryNameTheReaderGivesReadsBackAsItself) {
    const std::string file = "kenal|a.exe\r\n\"kenal|a,b.exe\"\r\n\"kenal|ab\r\ncd\"\r\n"
                             "kenal|a\"b\r\n\"kenal|,\"\r\nkenal| lead.exe\r\nkenal|\r\n";
    const auto names = ParseTrustListText(file).names;
    ASSERT_EQ(names.size(), 7u);
    std::string rewritten;
    for (const auto& name : names)
        rewritten += TrustListLine(name);
    EXPECT_EQ(ParseTrustListText(rewritten).names, names);
}

} // namespace
} // namespace quorvel::store
