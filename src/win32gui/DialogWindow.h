#pragma once

#include "win32gui/Win32Gui.h"

namespace quorvel::win32gui {

// One window from a dialog template, owning its HWND: destroyed with the object.
class DialogWindow {
public:
    DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow();

    HWND hwnd() const { return m_hwnd; }
    HWND item(int id) const { return GetDlgItem(m_hwnd, id); }
    bool alive() const { return m_hwnd != nullptr; }

protected:
    // Modeless, from the template; owner may be null (a top-level window of its own).
    bool Create(HINSTANCE instance, int templateId, HWND owner);
    void Destroy();
    // Return TRUE when handled; WM_INITDIALOG's return sets the focus as usual.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};

} // namespace quorvel::win32gui
