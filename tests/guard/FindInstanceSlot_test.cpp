#include "guard/CaseFold.h"
#include "guard/FindInstanceSlot.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::guard {
namespace {

struct SlotCase {
    const char* label;
    std::vector<std::string> table;
    std::string name;
    std::optional<int16_t> slot;
};

class FindInstanceSlotCases : public ::testing::TestWithParam<SlotCase> {};

TEST_P(FindInstanceSlotCases, DesignatesTheRightInstance) {
    const auto& c = GetParam();
    ProcessTable table;
    uint32_t pid = 100;
    for (const auto& name : c.table) {
        ProcessRecord record;
        record.th32ProcessID = pid++;
        record.exeName = name;
        ASSERT_TRUE(table.Store(record));
    }
    EXPECT_EQ(FindInstanceSlot(table, c.name), c.slot);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, FindInstanceSlotCases,
    ::testing::Values(
        SlotCase{"single_instance", {"init", "bash", "app.exe"}, "app.exe", 2},
        SlotCase{"last_of_several_instances", {"init", "app.exe", "bash", "app.exe"}, "app.exe", 3},
        SlotCase{"only_instance_in_slot_zero", {"app.exe", "bash"}, "app.exe", 0},
        SlotCase{"slot_zero_and_a_new_instance_designates_the_new_one",
                 {"app.exe", "bash", "app.exe"},
                 "app.exe",
                 2},
        SlotCase{"no_record_designates_nothing", {"init", "bash"}, "app.exe", std::nullopt},
        SlotCase{"case_variants_never_designate_slot_zero",
                 {"init", "app.exe", "APP.EXE"},
                 "APP.EXE",
                 2},
        SlotCase{"case_variants_designate_the_exact_spelling",
                 {"init", "APP.EXE", "app.exe", "bash"},
                 "APP.EXE",
                 1},
        SlotCase{
            "other_case_only_designates_nothing", {"init", "APP.EXE"}, "app.exe", std::nullopt}),
    [](const auto& row) { return std::string(row.param.label); });

} // namespace
} // namespace quorvel::guard
