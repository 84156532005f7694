#include "guard/PopupSchedule.h"

#include <gtest/gtest.h>
#include <vector>

namespace quorvel::guard {
namespace {

struct Screen {
    ScreenArea area;
    double dpi;
    PixelRect first; // after the first slide tick: top on the bottom edge
    PixelRect last;  // after the slide
    int leftTwips;
};

class PopupPlacementTest : public ::testing::TestWithParam<Screen> {};

// Runs the slide to its end and returns every top it took, in pixels.
std::vector<int> Slide(PopupSchedule& schedule) {
    std::vector<int> tops;
    while (schedule.slideTimerOn()) {
        const int before = schedule.slideOffsetTwips();
        schedule.SlideTick();
        if (schedule.slideOffsetTwips() != before)
            tops.push_back(schedule.geometry().top);
    }
    return tops;
}

TEST_P(PopupPlacementTest, SlidesUpToItsHeightLessOneStepAtTheRightEdge) {
    const Screen& s = GetParam();
    PopupSchedule schedule(s.area, s.dpi, s.dpi);
    EXPECT_EQ(schedule.leftTwips(), s.leftTwips);
    schedule.SlideTick();
    EXPECT_EQ(schedule.geometry(), s.first);
    Slide(schedule);
    EXPECT_EQ(schedule.geometry(), s.last);
    EXPECT_EQ(schedule.geometry().left + schedule.geometry().width, s.area.x + s.area.width);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, PopupPlacementTest,
    ::testing::Values(
        // 15360 x 11520 twips: left at 10755 twips, top from 11520 to 8820.
        Screen{{0, 0, 1024, 768}, 96.0, {717, 768, 307, 181}, {717, 588, 307, 181}, 10755},
        // 12 twips a pixel: the same figures in larger pixels.
        Screen{{0, 0, 1920, 1080}, 120.0, {1536, 1080, 384, 226}, {1536, 855, 384, 226}, 18435},
        // A second screen to the right of a first one.
        Screen{{1280, 0, 1280, 1024}, 96.0, {2253, 1024, 307, 181}, {2253, 844, 307, 181}, 14595},
        // 10 twips a pixel.
        Screen{{0, 0, 800, 600}, 144.0, {339, 600, 461, 272}, {339, 330, 461, 272}, 3395}));

TEST(PopupSchedule, TwipsToPixelsAtCommonDpi) {
    EXPECT_EQ(TwipsToPixels(4605, 96), 307);
    EXPECT_EQ(TwipsToPixels(2715, 96), 181);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(4605, 192), 614);
    EXPECT_EQ(TwipsToPixels(4605, 0), 307); // a screen that reports no DPI counts as 96
}

TEST(PopupSchedule, UntouchedPopupSlides136MovesHoldsOnceAndClosesOnThe47thTick) {
    PopupSchedule schedule({0, 0, 1024, 768}, 96, 96);
    EXPECT_EQ(schedule.geometry().top, 768); // before the first tick: below the edge
    const auto tops = Slide(schedule);
    ASSERT_EQ(tops.size(), 136u);
    EXPECT_EQ(tops.front(), 768);
    EXPECT_EQ(tops.back(), 588);
    EXPECT_EQ(schedule.topTwips(), 11520 - 2700);
    EXPECT_TRUE(schedule.holdTimerOn());
    EXPECT_FALSE(schedule.closeTimerOn());

    schedule.CloseTick(); // the close timer is off: nothing
    EXPECT_EQ(schedule.closeCounter(), 0);
    schedule.HoldTick();
    EXPECT_FALSE(schedule.holdTimerOn());
    ASSERT_TRUE(schedule.closeTimerOn());
    for (int tick = 1; tick <= 46; ++tick) {
        schedule.CloseTick();
        ASSERT_FALSE(schedule.closed()) << tick;
    }
    EXPECT_EQ(schedule.geometry().top, 588); // nothing moves while it counts down
    schedule.CloseTick();
    EXPECT_TRUE(schedule.closed());
    EXPECT_FALSE(schedule.closeTimerOn());
}

TEST(PopupSchedule, CloseEarlyInTheSlideEndsItBeforeTheSlideFinishes) {
    PopupSchedule schedule({0, 0, 1024, 768}, 96, 96);
    for (int i = 0; i < 10; ++i)
        schedule.SlideTick();
    schedule.CloseClicked();
    int ticks = 0;
    while (!schedule.closed()) {
        schedule.SlideTick();
        schedule.CloseTick();
        ++ticks;
        ASSERT_LT(ticks, 1000);
    }
    EXPECT_EQ(ticks, 47);
    EXPECT_EQ(schedule.slideOffsetTwips(), (10 + 47) * 20); // still sliding until unloaded
    EXPECT_FALSE(schedule.slideTimerOn());
    schedule.SlideTick();
    EXPECT_EQ(schedule.slideOffsetTwips(), (10 + 47) * 20);
}

TEST(PopupSchedule, CloseDuringTheHoldDoesNotRestartTheCountdown) {
    PopupSchedule schedule({0, 0, 1024, 768}, 96, 96);
    Slide(schedule);
    schedule.CloseClicked();
    for (int i = 0; i < 20; ++i)
        schedule.CloseTick();
    schedule.HoldTick(); // the hold ends while closing: the counter goes on
    schedule.CloseClicked();
    EXPECT_EQ(schedule.closeCounter(), 100);
    for (int i = 0; i < 27; ++i)
        schedule.CloseTick();
    EXPECT_TRUE(schedule.closed());
}

} // namespace
} // namespace quorvel::guard
