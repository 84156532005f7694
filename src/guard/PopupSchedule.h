#pragma once

namespace quorvel::guard {

// The popup's design figures, in twips (1/1440 inch).
inline constexpr int kPopupWidthTwips = 4605;
inline constexpr int kPopupHeightTwips = 2715;
inline constexpr int kPopupRiseTwips = 20; // per slide tick
inline constexpr int kPopupCloseStep = 5;
inline constexpr int kPopupCloseLimit = 230;
inline constexpr int kPopupSlideTickMs = 10;
inline constexpr int kPopupHoldMs = 3000;
inline constexpr int kPopupCloseTickMs = 10;

// Rounds to the nearest pixel at dpi dots per inch (96 gives 15 twips a pixel).
int TwipsToPixels(double twips, double dpi);

// A screen's whole area in pixels, taskbar included.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The popup's slide up from the bottom right corner, its hold and its closing countdown,
// as three timers that the window runs and forwards here. Each tick says what the timers
// are to be next and where the window stands; the window itself only follows.
class PopupSchedule {
public:
    // The load step: the right edge on the screen's right edge, counters at 0, sliding.
    PopupSchedule(ScreenArea screen, double dpiX, double dpiY);

    void SlideTick(); // TimerLoad, every 10 ms
    void HoldTick();  // TimerUnloadTime, once after 3000 ms
    void CloseTick(); // TimerUnload1, every 10 ms
    void CloseClicked();

    bool slideTimerOn() const { return m_slideOn; }
    bool holdTimerOn() const { return m_holdOn; }
    bool closeTimerOn() const { return m_closeOn; }
    bool closed() const { return m_closed; }

    int slideOffsetTwips() const { return m_slideOffset; }
    int closeCounter() const { return m_closeCounter; }
    // The screen-relative top in twips; the screen's height until the first move.
    int topTwips() const { return m_topTwips; }
    int leftTwips() const;
    // Where the window stands now, in pixels on the virtual desktop.
    PixelRect geometry() const;

private:
    ScreenArea m_screen;
    double m_dpiX;
    double m_dpiY;
    int m_screenWidthTwips;
    int m_screenHeightTwips;
    int m_topTwips;
    int m_slideOffset = 0;
    int m_closeCounter = 0;
    bool m_slideOn = true;
    bool m_holdOn = false;
    bool m_closeOn = false;
    bool m_closed = false;
};

} // namespace quorvel::guard
