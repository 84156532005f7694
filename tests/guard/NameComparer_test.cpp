#include "guard/CaseFold.h"
#include "guard/NameComparer.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace quorvel::guard {
namespace {

std::vector<SnapshotName> Names(const std::vector<std::string>& names) {
    std::vector<SnapshotName> out;
    for (const auto& n : names)
        out.push_back({n, UpperCaseHash(n)});
    return out;
}

// The comparison as first written: a nested scan with a used-up working copy.
void NestedScan(const std::vector<std::string>& previous, const std::vector<std::string>& current,
                std::vector<uint8_t>& newFlags, std::vector<uint8_t>& endedFlags) {
    newFlags.assign(current.size(), 0);
    std::vector<std::string> working = previous;
    std::vector<bool> used(working.size(), false);
    for (size_t i = 0; i < current.size(); ++i) {
        for (size_t k = 0; k < working.size(); ++k) {
            if (!used[k] && UpperCase(working[k]) == UpperCase(current[i])) {
                used[k] = true;
                newFlags[i] = 1;
                break;
            }
        }
    }
    endedFlags.assign(previous.size(), 0);
    for (size_t j = 0; j < previous.size(); ++j) {
        for (const auto& name : current) {
            if (UpperCase(previous[j]) == UpperCase(name)) {
                endedFlags[j] = 1;
                break;
            }
        }
    }
}

struct CompareCase {
    const char* label;
    std::vector<std::string> previous;
    std::vector<std::string> current;
    std::vector<uint8_t> newFlags;
    std::vector<uint8_t> endedFlags;
};

class NameComparerCases : public ::testing::TestWithParam<CompareCase> {};

TEST_P(NameComparerCases, FlagsInstanceByInstance) {
    const auto& c = GetParam();
    NameComparer comparer;
    std::vector<uint8_t> newFlags, endedFlags;
    const auto previous = Names(c.previous);
    const auto current = Names(c.current);
    comparer.Compare(previous, current, newFlags, endedFlags);
    EXPECT_EQ(newFlags, c.newFlags);
    EXPECT_EQ(endedFlags, c.endedFlags);
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, NameComparerCases,
    ::testing::Values(CompareCase{"third_instance_is_the_only_new_one",
                                  {"init", "notepad.exe", "notepad.exe"},
                                  {"init", "notepad.exe", "notepad.exe", "notepad.exe"},
                                  {1, 1, 1, 0},
                                  {1, 1, 1}},
                      CompareCase{"one_of_three_exiting_ends_nothing",
                                  {"notepad.exe", "notepad.exe", "notepad.exe"},
                                  {"notepad.exe", "notepad.exe"},
                                  {1, 1},
                                  {1, 1, 1}},
                      CompareCase{"case_only_replacement_is_neither_new_nor_ended",
                                  {"init", "notepad.exe"},
                                  {"init", "NOTEPAD.EXE"},
                                  {1, 1},
                                  {1, 1}},
                      CompareCase{"the_earliest_current_instance_takes_the_match",
                                  {"a", "b"},
                                  {"B", "b", "a"},
                                  {1, 0, 1},
                                  {1, 1}},
                      CompareCase{"all_previous_ended", {"x", "y"}, {"z"}, {0}, {0, 0}},
                      CompareCase{"empty_current_list_ends_everything", {"x", "x"}, {}, {}, {0, 0}},
                      CompareCase{
                          "empty_names_compare_like_any_other", {""}, {"", ""}, {1, 0}, {1}}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(UpperCaseHash, NamesEqualInUpperCaseHashAlike) {
    std::mt19937 random(5);
    for (int round = 0; round < 5000; ++round) {
        std::string name(random() % 24, ' ');
        for (char& ch : name)
            ch = static_cast<char>(random() % 256);
        const std::string upper = UpperCase(name);
        ASSERT_EQ(UpperCaseHash(name), UpperCaseHash(upper)) << name;
        std::string other = name;
        other += 'x';
        EXPECT_NE(UpperCaseHash(name), UpperCaseHash(other));
    }
    // Only ASCII letters fold; neighbours of the letter range and high bytes do not.
    EXPECT_EQ(UpperCase("az@[`{\xe9"), "AZ@[`{\xe9");
    EXPECT_NE(UpperCaseHash("`"), UpperCaseHash("@"));
    EXPECT_NE(UpperCaseHash("{"), UpperCaseHash("["));
    EXPECT_NE(UpperCaseHash("\xe1"), UpperCaseHash("\xc1"));
}

// Random lists over a small alphabet of names and letter cases, so that repeats,
// case variants and hash-table collisions all occur.
TEST(NameComparer, AgreesWithTheNestedScanOnRandomSnapshots) {
    std::mt19937 random(20130307);
    const std::vector<std::string> stems = {"notepad.exe", "svchost.exe", "a", "b.exe", "",
                                            "sleep",       "bash",        "X", "init",  "Ab"};
    auto randomName = [&] {
        std::string name = stems[random() % stems.size()];
        for (char& ch : name) {
            if (random() % 3 == 0)
                ch = UpperChar(ch);
        }
        return name;
    };
    NameComparer comparer; // reused, as the guard reuses it
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> previous(random() % 40), current(random() % 40);
        for (auto& n : previous)
            n = randomName();
        for (auto& n : current)
            n = randomName();
        std::vector<uint8_t> expectedNew, expectedEnded, actualNew, actualEnded;
        NestedScan(previous, current, expectedNew, expectedEnded);
        const auto p = Names(previous);
        const auto c = Names(current);
        comparer.Compare(p, c, actualNew, actualEnded);
        ASSERT_EQ(actualNew, expectedNew) << "round " << round;
        ASSERT_EQ(actualEnded, expectedEnded) << "round " << round;
    }
}

} // namespace
} // namespace quorvel::guard
