#include "FakePlatform.h"
#include "inspect/ProcessControl.h"
#include "inspect/TimeStamp.h"

#include <gtest/gtest.h>

namespace quorvel::inspect {
namespace {

struct PriorityNameCase {
    const char* name;
    uint32_t priorityClass;
    std::optional<std::string> text;
};

class PriorityTextTest : public testing::TestWithParam<PriorityNameCase> {};

TEST_P(PriorityTextTest, NamesFourClassesOnly) {
    EXPECT_EQ(PriorityText(GetParam().priorityClass), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, PriorityTextTest,
                         testing::Values(PriorityNameCase{"normal", 0x20, "Normal"},
                                         PriorityNameCase{"idle", 0x40, "Idle"},
                                         PriorityNameCase{"high", 0x80, "High"},
                                         PriorityNameCase{"real_time", 0x100, "RealTime"},
                                         PriorityNameCase{"below_normal", 0x4000, std::nullopt},
                                         PriorityNameCase{"above_normal", 0x8000, std::nullopt},
                                         PriorityNameCase{"unreadable", 0, std::nullopt}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ProcessControl, PriorityPassesEveryClassThrough) {
    test::FakeProcesses processes;
    processes.priorityClass = 0x4000;
    EXPECT_EQ(getPriority(processes, 42), 0x4000u);
    processes.priorityClass = 0;
    EXPECT_EQ(getPriority(processes, 42), 0u);
}

// PID 0 and negative PIDs name no process; they must not reach the system, where a
// negative PID could turn into a process group.
TEST(ProcessControl, NonPositivePidsAreNeverPassedOn) {
    test::FakeProcesses processes;
    processes.priorityClass = 0x20;
    for (int32_t pid : {0, -1, INT32_MIN}) {
        KillProcess(processes, pid);
        EXPECT_EQ(getPriority(processes, pid), 0u);
    }
    EXPECT_TRUE(processes.asked.empty());
    KillProcess(processes, 42);
    EXPECT_EQ(processes.asked, std::vector<uint32_t>{42});
}

TEST(TimeStamp, DateBlankColonBlankTime) {
    test::FakeShell shell;
    EXPECT_EQ(CurrentTimeStamp(shell, std::chrono::system_clock::now()), "07/03/2013 : 14:05:09");
}

} // namespace
} // namespace quorvel::inspect
