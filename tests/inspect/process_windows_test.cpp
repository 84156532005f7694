#include "FakePlatform.h"
#include "inspect/ProcessWindows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel::inspect {
namespace {

using platform::TopLevelWindow;
using testing::ElementsAre;

TopLevelWindow Window(uint32_t owner, std::string title) {
    static uint64_t next = 1;
    return TopLevelWindow{next++, owner, std::move(title)};
}

TEST(ProcessWindows, CountsTitledWindowsPerOwner) {
    test::FakeWindows windows;
    windows.windows = std::vector<TopLevelWindow>{Window(10, "one"),          Window(10, ""),
                                                  Window(20, "two"),          Window(10, "three"),
                                                  Window(0, "unknown owner"), Window(30, "")};
    auto counts = CountProcessWindows(windows);
    EXPECT_EQ(counts[10], 2);
    EXPECT_EQ(counts[20], 1);
    EXPECT_EQ(counts.count(30), 0u) << "an untitled window is not counted";
    // Free table slots have PID 0: windows whose owner is unknown must not land there.
    EXPECT_EQ(counts.count(0), 0u);
}

TEST(ProcessWindows, TitlesOfOneOwnerInOrderAtMostOneHundred) {
    test::FakeWindows windows;
    std::vector<TopLevelWindow> list;
    for (int i = 0; i < 120; ++i) {
        list.push_back(Window(7, "t" + std::to_string(i)));
        list.push_back(Window(8, "other"));
        list.push_back(Window(7, ""));
    }
    windows.windows = list;
    const auto titles = CollectWindowTitles(windows, 7);
    ASSERT_EQ(titles.size(), kMaxWindowTitles);
    EXPECT_EQ(titles.front(), "t0");
    EXPECT_EQ(titles.back(), "t99");
    EXPECT_EQ(CountProcessWindows(windows)[7], 120);
    EXPECT_TRUE(CollectWindowTitles(windows, 9).empty());
    EXPECT_TRUE(CollectWindowTitles(windows, 0).empty());
}

TEST(ProcessWindows, AFailedWalkFindsNothing) {
    test::FakeWindows windows;
    windows.windows = platform::MakeError(platform::Errc::Failed);
    EXPECT_TRUE(CountProcessWindows(windows).empty());
    EXPECT_TRUE(CollectWindowTitles(windows, 1).empty());
}

TEST(ProcessWindows, CountStopsAtTheLargestSixteenBitValue) {
    test::FakeWindows windows;
    windows.windows = std::vector<TopLevelWindow>(40000, TopLevelWindow{1, 5, "many"});
    EXPECT_EQ(CountProcessWindows(windows)[5], 32767);
}

// Clearing the desktop minimises what a user sees of other programs: never a window of
// the program itself, nor one already hidden, minimised, or a panel.
TEST(ProcessWindows, ClearingTheDesktopLeavesTheProgramsOwnWindows) {
    constexpr uint32_t kOwn = 42;
    test::FakeWindows windows;
    windows.windows = std::vector<TopLevelWindow>{
        {1, 7, "Editor", true},
        {2, kOwn, "--WARNING--", true},
        {3, 7, "Hidden tool", false},
        {4, 0, "Owner unknown", true},
        {5, kOwn, "Quorvel 1.5 52", true},
        {6, 9, "Terminal", true},
    };
    MinimizeAllWindows(windows, kOwn);
    EXPECT_EQ(windows.minimized, (std::vector<uint64_t>{1, 4, 6}));

    windows.minimized.clear();
    windows.windows = std::vector<TopLevelWindow>{{2, kOwn, "--WARNING--", true}};
    MinimizeAllWindows(windows, kOwn);
    EXPECT_TRUE(windows.minimized.empty());
}

} // namespace
} // namespace quorvel::inspect
