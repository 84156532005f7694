#include "scan/ReportFields.h"

#include <gtest/gtest.h>

namespace quorvel::scan {
namespace {

struct FieldsRow {
    const char* name;
    std::string_view text;
    std::vector<std::string> fields;
};

class ReportFields : public ::testing::TestWithParam<FieldsRow> {};

TEST_P(ReportFields, SplitLikeCommaSeparatedInput) {
    EXPECT_EQ(SplitReportFields(GetParam().text), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportFields,
    ::testing::Values(
        FieldsRow{"Empty", "", {}},
        FieldsRow{"LineWithoutComma", "/usr/bin/x: OK\n", {"/usr/bin/x: OK"}},
        FieldsRow{"CommaAndBlankMakeTwoWithoutTheBlank", "alpha, beta\n", {"alpha", "beta"}},
        FieldsRow{"LeadingBlanksAndTabsSkipped", "  a,\t b\r\n", {"a", "b"}},
        FieldsRow{"TrailingBlanksKept", "a  ,b", {"a  ", "b"}},
        FieldsRow{"CrLfLfAndLoneCr", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        FieldsRow{"EmptyLineIsAnEmptyField", "a\n\nb\n", {"a", "", "b"}},
        FieldsRow{"NumberIsText", "Infected files: 1\n42\n", {"Infected files: 1", "42"}},
        FieldsRow{"QuotesDroppedCommasKept", "\"x, y\",z\n", {"x, y", "z"}},
        FieldsRow{"AfterClosingQuoteSkippedToComma", "\"x\" junk,z", {"x", "z"}},
        FieldsRow{"UnclosedQuoteRunsToLineEnd", "\"abc\nd", {"abc", "d"}},
        FieldsRow{"CommaAtLineEndGivesEmptyField", "a,\nb", {"a", "", "b"}},
        FieldsRow{"CommaAtTheVeryEnd", "a,", {"a"}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::scan
