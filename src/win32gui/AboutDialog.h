#pragma once

#include "desktop/AboutPresenter.h"
#include "win32gui/DialogWindow.h"

namespace quorvel::win32gui {

// frmAbout.
class AboutDialog : public DialogWindow, public desktop::AboutView {
public:
    AboutDialog(HINSTANCE instance, HICON icon) : m_instance(instance), m_icon(icon) {}
    ~AboutDialog() override { Destroy(); }

    void Show();
    void Close() override { ShowWindow(hwnd(), SW_HIDE); }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HINSTANCE m_instance;
    HICON m_icon;
    desktop::AboutPresenter m_presenter{*this};
    HFONT m_bold = nullptr;
};

} // namespace quorvel::win32gui
