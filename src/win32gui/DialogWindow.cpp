#include "win32gui/DialogWindow.h"

namespace quorvel::win32gui {

// A derived window calls Destroy() in its own destructor, so that its WM_DESTROY still
// runs; here only the HWND goes, without calling into what is already gone.
DialogWindow::~DialogWindow() {
    if (m_hwnd == nullptr)
        return;
    SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
    DestroyWindow(m_hwnd);
}

bool DialogWindow::Create(HINSTANCE instance, int templateId, HWND owner) {
    CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &DialogWindow::Procedure,
                       reinterpret_cast<LPARAM>(this));
    return m_hwnd != nullptr;
}

void DialogWindow::Destroy() {
    if (m_hwnd != nullptr)
        DestroyWindow(m_hwnd); // WM_NCDESTROY forgets the handle
    m_hwnd = nullptr;
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_hwnd = window;
    }
    if (self == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        self->m_hwnd = nullptr;
        return FALSE;
    }
    return self->OnMessage(message, wParam, lParam);
}

} // namespace quorvel::win32gui
