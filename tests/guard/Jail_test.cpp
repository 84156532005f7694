#include "guard/Jail.h"

#include <gtest/gtest.h>

namespace quorvel::guard {
namespace {

TEST(Jail, RecordsFillSlotsFromOneAndUpdateByUpperCaseName) {
    Jail jail;
    jail.RecordVerdict("notepad.exe", 10, kVerdictBlocked, "10:00:00", "07/03/2013");
    jail.RecordVerdict("calc.exe", 11, kVerdictAllowed, "10:00:05", "07/03/2013");
    ASSERT_EQ(jail.slots().size(), 3u);
    EXPECT_TRUE(jail.slots()[0].exeName.empty());
    EXPECT_EQ(jail.slots()[1].exeName, "notepad.exe");
    EXPECT_EQ(jail.slots()[2].exeName, "calc.exe");

    jail.RecordVerdict("NOTEPAD.EXE", 12, kVerdictAllowed, "10:01:00", "07/03/2013");
    const JailEntry& entry = jail.slots()[1];
    EXPECT_EQ(entry.exeName, "notepad.exe");
    EXPECT_EQ(entry.attemptCount, 2);
    EXPECT_EQ(entry.lastAction, "Allowed");
    EXPECT_EQ(entry.processId, 12);
    EXPECT_EQ(entry.firstAccessTime, "10:00:00");
    EXPECT_EQ(entry.lastAccessTime, "10:01:00");
    EXPECT_EQ(entry.attemptTimes, (std::vector<std::string>{"", "10:00:00", "10:01:00"}));
}

TEST(Jail, ListsBlockedPresentNamesAtEachRebuild) {
    Jail jail;
    jail.RecordVerdict("a", 1, kVerdictBlocked, "t", "d");
    jail.RecordVerdict("b", 2, kVerdictAllowed, "t", "d");
    jail.RecordVerdict("c", 3, kVerdictBlocked, "t", "d");
    EXPECT_TRUE(jail.list().empty()); // only a rebuild fills it
    jail.RebuildJailList();
    EXPECT_EQ(jail.list(), (std::vector<std::string>{"a", "c"}));
    jail.Find("A")->present = false;
    jail.RebuildJailList();
    EXPECT_EQ(jail.list(), (std::vector<std::string>{"c"}));
}

TEST(Jail, ReleaseCoversEveryInstanceBlockedAndNotAllowedSince) {
    Jail jail;
    jail.RecordVerdict("sleep", 10, kVerdictBlocked, "t", "d");
    jail.RecordVerdict("sleep", 11, kVerdictBlocked, "t", "d");
    jail.RecordVerdict("sleep", 12, kVerdictBlocked, "t", "d");
    jail.RecordVerdict("SLEEP", 11, kVerdictAllowed, "t", "d");
    EXPECT_EQ(Jail::ReleaseIds(*jail.Find("sleep")), (std::vector<int32_t>{11, 10, 12}));
}

TEST(Jail, AttemptCountStopsAtTheTopOfItsRange) {
    Jail jail;
    for (int i = 0; i < 32769; ++i)
        jail.RecordVerdict("x", i, kVerdictBlocked, "t", "d");
    EXPECT_EQ(jail.Find("x")->attemptCount, 32767);
    EXPECT_EQ(jail.Find("x")->processId, 32768);
    EXPECT_EQ(jail.Find("x")->attemptTimes.size(), 32768u);
}

} // namespace
} // namespace quorvel::guard
