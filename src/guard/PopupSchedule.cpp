#include "guard/PopupSchedule.h"

#include <cmath>

namespace quorvel::guard {

namespace {

constexpr double kTwipsPerInch = 1440.0;

double SaneDpi(double dpi) {
    return dpi > 0.0 ? dpi : 96.0;
}

int PixelsToTwips(int pixels, double dpi) {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi));
}

} // namespace

int TwipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * SaneDpi(dpi) / kTwipsPerInch));
}

PopupSchedule::PopupSchedule(ScreenArea screen, double dpiX, double dpiY)
    : m_screen(screen), m_dpiX(SaneDpi(dpiX)), m_dpiY(SaneDpi(dpiY)),
      m_screenWidthTwips(PixelsToTwips(screen.width, m_dpiX)),
      m_screenHeightTwips(PixelsToTwips(screen.height, m_dpiY)), m_topTwips(m_screenHeightTwips) {}

void PopupSchedule::SlideTick() {
    if (!m_slideOn || m_closed)
        return;
    if (m_slideOffset >= kPopupHeightTwips) {
        m_slideOn = false;
        m_holdOn = true;
        return;
    }
    m_topTwips = m_screenHeightTwips - m_slideOffset;
    m_slideOffset += kPopupRiseTwips;
}

void PopupSchedule::HoldTick() {
    if (!m_holdOn || m_closed)
        return;
    m_closeOn = true;
    m_holdOn = false;
}

void PopupSchedule::CloseTick() {
    if (!m_closeOn || m_closed)
        return;
    if (m_closeCounter >= kPopupCloseLimit) {
        m_closeOn = false;
        m_slideOn = false;
        m_holdOn = false;
        m_closed = true;
        return;
    }
    m_closeCounter += kPopupCloseStep;
}

void PopupSchedule::CloseClicked() {
    if (!m_closed)
        m_closeOn = true;
}

int PopupSchedule::leftTwips() const {
    return m_screenWidthTwips - kPopupWidthTwips;
}

// Width and height are rounded once and the left edge taken from the right, so that the
// window's right edge meets the screen's at any DPI.
PixelRect PopupSchedule::geometry() const {
    PixelRect rect;
    rect.width = TwipsToPixels(kPopupWidthTwips, m_dpiX);
    rect.height = TwipsToPixels(kPopupHeightTwips, m_dpiY);
    rect.left = m_screen.x + m_screen.width - rect.width;
    rect.top =
        m_screen.y + m_screen.height - TwipsToPixels(m_screenHeightTwips - m_topTwips, m_dpiY);
    return rect;
}

} // namespace quorvel::guard
