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

// "Kill Process" on the program's own line would end the guard and leave what it holds
// stopped: refused with the reason, the system never asked.
TEST(ProcessControl, KillProcessOfTheProgramItselfIsRefused) {
    test::FakeProcesses processes; // this program is PID 1 here
    const auto refusal = KillSelectedProcess(processes, 1);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_NE(refusal->find("can't kill itself"), std::string::npos);
    EXPECT_TRUE(processes.asked.empty());

    EXPECT_EQ(KillSelectedProcess(processes, 42), std::nullopt);
    EXPECT_EQ(processes.asked, std::vector<uint32_t>{42});
    EXPECT_EQ(KillRefusal(7, 7).has_value(), true);
    EXPECT_EQ(KillRefusal(0, 0), std::nullopt); // no process: nothing to refuse
}

TEST(TimeStamp, DateBlankColonBlankTime) {
    test::FakeShell shell;
    EXPECT_EQ(CurrentTimeStamp(shell, std::chrono::system_clock::now()), "07/03/2013 : 14:05:09");
}

} // namespace
} // namespace quorvel::inspect
