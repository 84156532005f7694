#include "desktop/PopupPresenter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::desktop {
namespace {

class RecordingPopup : public PopupView {
public:
    void SetTexts(const std::string& t, const std::string& m) override {
        title = t;
        message = m;
    }
    void MoveTo(const guard::PixelRect& rect) override { moves.push_back(rect); }
    void SetTimers(bool s, bool h, bool c) override {
        slide = s;
        hold = h;
        close = c;
        ++timerChanges;
    }
    void Close() override { ++closes; }

    std::string title, message;
    std::vector<guard::PixelRect> moves;
    bool slide = false, hold = false, close = false;
    int timerChanges = 0;
    int closes = 0;
};

// A work area of 1024 x 738 pixels (a 30-pixel taskbar below) at 96 and at 144 dpi.
TEST(PopupPresenter, RestsAtTheBottomRightOfItsArea) {
    struct Row {
        double dpi;
        int width, height;
    };
    for (const Row row : {Row{96, 307, 181}, Row{144, 461, 272}}) {
        RecordingPopup view;
        PopupPresenter popup(view, {0, 0, 1024, 738}, row.dpi, row.dpi);
        popup.ShowTrayMessage("WARNING", "New process detected : a.exe");
        ASSERT_FALSE(view.moves.empty());
        EXPECT_EQ(view.moves.front().top, 738) << "starts below the area's bottom edge";
        EXPECT_TRUE(view.slide);
        int ticks = 0;
        while (view.slide && ticks < 1000) {
            popup.SlideTick();
            ++ticks;
        }
        EXPECT_EQ(ticks, 137) << "136 moves and the tick that ends the slide";
        const guard::PixelRect rest = view.moves.back();
        EXPECT_EQ(rest.width, row.width) << row.dpi;
        EXPECT_EQ(rest.height, row.height) << row.dpi;
        EXPECT_EQ(rest.left + rest.width, 1024) << row.dpi;
        // 2700 of the 2715 twips risen: one pixel stays below the edge at 96 dpi.
        EXPECT_EQ(rest.top, 738 - guard::TwipsToPixels(2700, row.dpi)) << row.dpi;
        EXPECT_TRUE(view.hold);
        popup.HoldTick();
        EXPECT_TRUE(view.close);
        for (int i = 0; i < 46; ++i)
            popup.CloseTick();
        EXPECT_EQ(view.closes, 0);
        popup.CloseTick();
        EXPECT_EQ(view.closes, 1);
        EXPECT_FALSE(view.slide || view.hold || view.close);
        popup.CloseTick();
        EXPECT_EQ(view.closes, 1) << "closed once";
    }
}

TEST(PopupPresenter, ASecondMessageReplacesTheTextAndKeepsTheSchedule) {
    RecordingPopup view;
    PopupPresenter popup(view, {0, 0, 1024, 768}, 96, 96);
    popup.ShowTrayMessage("WARNING", "first");
    for (int i = 0; i < 10; ++i)
        popup.SlideTick();
    const size_t moves = view.moves.size();
    const int timerChanges = view.timerChanges;
    popup.ShowTrayMessage("WARNING", "second");
    EXPECT_EQ(view.message, "second");
    EXPECT_EQ(view.moves.size(), moves);
    EXPECT_EQ(view.timerChanges, timerChanges);
    EXPECT_EQ(popup.schedule().slideOffsetTwips(), 200);
}

TEST(PopupPresenter, CloseEarlyEndsBeforeTheSlide) {
    RecordingPopup view;
    PopupPresenter popup(view, {0, 0, 1024, 768}, 96, 96);
    popup.ShowTrayMessage("WARNING", "x");
    popup.CloseClicked();
    EXPECT_TRUE(view.slide && view.close);
    int ticks = 0;
    while (view.closes == 0 && ticks < 1000) {
        popup.SlideTick();
        popup.CloseTick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 47);
}

} // namespace
} // namespace quorvel::desktop
