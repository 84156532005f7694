#include "win32gui/AboutDialog.h"

#include "win32gui/Resource.h"

namespace quorvel::win32gui {

void AboutDialog::Show() {
    if (!alive())
        Create(m_instance, IDD_ABOUT, nullptr);
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
}

INT_PTR AboutDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const desktop::AboutTexts texts = desktop::AboutPresenter::Texts();
        SetText(hwnd(), texts.caption);
        SetItemText(hwnd(), IDC_LBLPRODUCT, texts.product);
        SetItemText(hwnd(), IDC_LBLVERSION, texts.version);
        SetItemText(hwnd(), IDC_LBLABOUTDESCRIPTION, texts.description);
        SetItemText(hwnd(), IDOK, texts.ok);
        m_bold = MakeFont(hwnd(), 12, true);
        SendMessageW(item(IDC_LBLPRODUCT), WM_SETFONT, reinterpret_cast<WPARAM>(m_bold), FALSE);
        SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            m_presenter.OkClicked();
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (m_bold != nullptr)
            DeleteObject(m_bold);
        m_bold = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace quorvel::win32gui
