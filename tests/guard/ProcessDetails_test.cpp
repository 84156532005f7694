#include "GuardDoubles.h"
#include "guard/ProcessDetails.h"

#include <gtest/gtest.h>

namespace quorvel::guard {
namespace {

using testing::FakeProcesses;

ProcessTable TableOf(const std::vector<std::pair<uint32_t, std::string>>& processes) {
    ProcessTable table;
    for (const auto& [pid, name] : processes) {
        ProcessRecord record;
        record.th32ProcessID = pid;
        record.th32ParentProcessID = 1;
        record.cntThreads = 3;
        record.exeName = name;
        table.Store(record);
    }
    return table;
}

TEST(ProcessDetails, RunningProcessWithoutVerdictShowsTableAndButtonTextColour) {
    FakeProcesses processes;
    const auto table = TableOf({{10, "app.exe"}, {11, "app.exe"}});
    const Jail jail;
    const auto details = ShowProcessDetails(table, jail, processes, "app.exe");
    EXPECT_EQ(details.lblProcName, "app.exe");
    EXPECT_EQ(details.lblProcID, "10"); // the lower slot of two copies
    EXPECT_EQ(details.lblParentID, "1");
    EXPECT_EQ(details.lblThreads, "3");
    EXPECT_EQ(details.lblChd, "0");
    EXPECT_EQ(details.lblPriority, std::optional<std::string>("Normal"));
    EXPECT_EQ(details.lblAccessAttempts, "0");
    EXPECT_EQ(details.lblLastAct, "N/A");
    EXPECT_EQ(details.lastActColour, LastActionColour::ButtonText);
    EXPECT_EQ(details.lblFirstAccess, "N/A");
}

TEST(ProcessDetails, ExitedJailedProcessShowsJailDataAndColourOfItsVerdict) {
    FakeProcesses processes;
    const auto table = TableOf({{10, "other.exe"}});
    Jail jail;
    jail.RecordVerdict("gone.exe", 7, kVerdictBlocked, "10:00:00", "d");
    jail.RecordVerdict("gone.exe", 8, kVerdictBlocked, "10:05:00", "d");
    auto details = ShowProcessDetails(table, jail, processes, "gone.exe");
    EXPECT_EQ(details.lblProcName, "gone.exe");
    EXPECT_EQ(details.lblProcID, "N/A");
    EXPECT_EQ(details.lblThreads, "N/A");
    EXPECT_FALSE(details.lblPriority.has_value());
    EXPECT_EQ(details.lblAccessAttempts, "2");
    EXPECT_EQ(details.lblLastAct, "Blocked");
    EXPECT_EQ(details.lastActColour, LastActionColour::Blocked);
    EXPECT_EQ(details.lblFirstAccess, "10:00:00");
    EXPECT_EQ(details.lbllastAccess, "10:05:00");

    jail.RecordVerdict("gone.exe", 9, kVerdictAllowed, "10:06:00", "d");
    details = ShowProcessDetails(table, jail, processes, "gone.exe");
    EXPECT_EQ(details.lastActColour, LastActionColour::Other);
    // The details compare names exactly.
    details = ShowProcessDetails(table, jail, processes, "GONE.EXE");
    EXPECT_EQ(details.lblProcName, "");
    EXPECT_EQ(details.lblLastAct, "N/A");
}

TEST(ProcessDetails, JailSelectionMatchesInUpperCaseAndKeepsTheLastMatch) {
    Jail jail;
    jail.RecordVerdict("a.exe", 5, kVerdictBlocked, "09:00:00", "d");
    const auto shown = SelectJailItem(jail, "A.EXE");
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->lbljailPID, "5");
    EXPECT_EQ(shown->lblTime, "09:00:00");
    EXPECT_EQ(shown->lblPrevAttempts, "1");
    EXPECT_FALSE(SelectJailItem(jail, "b.exe").has_value());
}

TEST(ProcessDetails, ProcessListLinesGiveTheirPid) {
    EXPECT_EQ(ParseProcessListPid("1234=app.exe"), std::optional<int32_t>(1234));
    EXPECT_EQ(ParseProcessListPid("7=a=b"), std::optional<int32_t>(7));
    EXPECT_FALSE(ParseProcessListPid("").has_value());
    EXPECT_FALSE(ParseProcessListPid("x=app.exe").has_value());
    EXPECT_FALSE(ParseProcessListPid("99999999999=big").has_value());
}

} // namespace
} // namespace quorvel::guard
