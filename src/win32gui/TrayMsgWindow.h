#pragma once

#include "desktop/PopupPresenter.h"
#include "win32gui/DialogWindow.h"

#include <memory>

namespace quorvel::win32gui {

// frmTrayMsg: the popup of the notify mode, at the bottom right of the work area.
class TrayMsgWindow : public DialogWindow, public desktop::PopupView {
public:
    explicit TrayMsgWindow(HINSTANCE instance);
    ~TrayMsgWindow() override;

    // The load step on first use; later calls only replace the texts.
    void ShowTrayMessage(const std::string& title, const std::string& message);

    void SetTexts(const std::string& title, const std::string& message) override;
    void MoveTo(const guard::PixelRect& rect) override;
    void SetTimers(bool slide, bool hold, bool close) override;
    void Close() override;

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HINSTANCE m_instance;
    std::unique_ptr<desktop::PopupPresenter> m_presenter;
    bool m_timers[3] = {false, false, false};
    HFONT m_titleFont = nullptr;
    HFONT m_messageFont = nullptr;
};

} // namespace quorvel::win32gui
