#pragma once

#include "guard/PopupSchedule.h"

#include <string>

namespace quorvel::desktop {

class PopupView {
public:
    virtual ~PopupView() = default;
    virtual void SetTexts(const std::string& title, const std::string& message) = 0;
    virtual void MoveTo(const guard::PixelRect& rect) = 0;
    // TimerLoad, TimerUnloadTime and TimerUnload1: running or not.
    virtual void SetTimers(bool slide, bool hold, bool close) = 0;
    virtual void Close() = 0;
};

// frmTrayMsg: slides up at the right end of the area it is given, holds, and closes by
// itself. One instance at a time: a message for a popup already up only replaces its texts
// and keeps its schedule.
class PopupPresenter {
public:
    // area: where the popup rests at the bottom right; dpi: the display's dots per inch.
    PopupPresenter(PopupView& view, guard::ScreenArea area, double dpiX, double dpiY);

    void ShowTrayMessage(const std::string& title, const std::string& message);
    void SlideTick();
    void HoldTick();
    void CloseTick();
    void CloseClicked();

    const guard::PopupSchedule& schedule() const { return m_schedule; }

private:
    void Follow();

    PopupView& m_view;
    guard::PopupSchedule m_schedule;
    bool m_timersSent = false;
    bool m_slide = false;
    bool m_hold = false;
    bool m_close = false;
    guard::PixelRect m_placed;
    bool m_closedSent = false;
};

} // namespace quorvel::desktop
