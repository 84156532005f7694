#include "desktop/PopupPresenter.h"

namespace quorvel::desktop {

PopupPresenter::PopupPresenter(PopupView& view, guard::ScreenArea area, double dpiX, double dpiY)
    : m_view(view), m_schedule(area, dpiX, dpiY) {
    m_placed = m_schedule.geometry();
}

void PopupPresenter::ShowTrayMessage(const std::string& title, const std::string& message) {
    m_view.SetTexts(title, message);
    if (!m_timersSent)
        m_view.MoveTo(m_placed);
    Follow();
}

void PopupPresenter::SlideTick() {
    m_schedule.SlideTick();
    Follow();
}

void PopupPresenter::HoldTick() {
    m_schedule.HoldTick();
    Follow();
}

void PopupPresenter::CloseTick() {
    m_schedule.CloseTick();
    Follow();
}

void PopupPresenter::CloseClicked() {
    m_schedule.CloseClicked();
    Follow();
}

// The view hears only of changes: a move per slide step, the timers when they switch.
void PopupPresenter::Follow() {
    if (m_closedSent)
        return;
    if (m_schedule.closed()) {
        m_closedSent = true;
        m_view.SetTimers(false, false, false);
        m_view.Close();
        return;
    }
    const guard::PixelRect rect = m_schedule.geometry();
    if (!(rect == m_placed)) {
        m_placed = rect;
        m_view.MoveTo(rect);
    }
    const bool slide = m_schedule.slideTimerOn();
    const bool hold = m_schedule.holdTimerOn();
    const bool close = m_schedule.closeTimerOn();
    if (!m_timersSent || slide != m_slide || hold != m_hold || close != m_close) {
        m_timersSent = true;
        m_slide = slide;
        m_hold = hold;
        m_close = close;
        m_view.SetTimers(slide, hold, close);
    }
}

} // namespace quorvel::desktop
