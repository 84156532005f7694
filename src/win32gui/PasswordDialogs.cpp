#include "win32gui/PasswordDialogs.h"

#include "access/Password.h"
#include "win32gui/Resource.h"

#include <utility>

namespace quorvel::win32gui {

namespace {

void PreparePasswordBox(HWND box) {
    SendMessageW(box, EM_LIMITTEXT, access::kMaxPasswordLength, 0);
    SendMessageW(box, EM_SETPASSWORDCHAR, L'*', 0);
}

} // namespace

void ShowMessageBox(HWND owner, const store::Message& message) {
    UINT icon = MB_ICONINFORMATION;
    if (message.icon == store::MessageIcon::Warning)
        icon = MB_ICONWARNING;
    else if (message.icon == store::MessageIcon::Critical)
        icon = MB_ICONERROR;
    MessageBoxW(owner, Wide(message.text).c_str(), Wide(message.title).c_str(), MB_OK | icon);
}

// ---- frmLogin ----------------------------------------------------------------------------

LoginDialog::LoginDialog(HINSTANCE instance, access::PasswordFile& file,
                         std::function<void()> accepted, std::function<void()> cancelled)
    : m_instance(instance), m_presenter(*this, file, std::move(accepted), std::move(cancelled)) {}

void LoginDialog::Show() {
    if (!alive())
        Create(m_instance, IDD_LOGIN, nullptr);
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
    FocusPassword();
}

void LoginDialog::ShowMessage(const store::Message& message) {
    ShowMessageBox(hwnd(), message);
}

void LoginDialog::ClearPassword() {
    SetItemText(hwnd(), IDC_TXTPASSWORD, "");
}

void LoginDialog::FocusPassword() {
    SetFocus(item(IDC_TXTPASSWORD));
}

void LoginDialog::Close() {
    ShowWindow(hwnd(), SW_HIDE);
}

INT_PTR LoginDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const desktop::LoginTexts texts = desktop::LoginPresenter::Texts();
        SetText(hwnd(), texts.caption);
        SetItemText(hwnd(), IDC_LBLNOTE, texts.note);
        SetItemText(hwnd(), IDC_LBLDEFAULT, texts.defaultPassword);
        SetItemText(hwnd(), IDC_LBLPASSWORD, texts.passwordLabel);
        SetItemText(hwnd(), IDC_CMD_LOGIN, texts.continueButton);
        SetItemText(hwnd(), IDCANCEL, texts.cancelButton);
        m_bold = MakeFont(hwnd(), 8.25, true);
        SendMessageW(item(IDC_LBLDEFAULT), WM_SETFONT, reinterpret_cast<WPARAM>(m_bold), FALSE);
        PreparePasswordBox(item(IDC_TXTPASSWORD));
        return TRUE;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            FocusPassword();
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CMD_LOGIN) {
            m_presenter.ContinueClicked(WindowText(item(IDC_TXTPASSWORD)));
            return TRUE;
        }
        // "Cancel", Escape and the close box alike hand back to the tray.
        if (LOWORD(wParam) == IDCANCEL) {
            m_presenter.CancelClicked();
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

// ---- frmChangePass -----------------------------------------------------------------------

ChangePassDialog::ChangePassDialog(HINSTANCE instance, access::PasswordFile& file, HWND owner,
                                   HICON icon)
    : m_instance(instance), m_owner(owner), m_icon(icon), m_presenter(*this, file) {}

void ChangePassDialog::Show() {
    if (!alive())
        Create(m_instance, IDD_CHANGEPASS, m_owner);
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
    FocusPassword();
}

void ChangePassDialog::ShowMessage(const store::Message& message) {
    ShowMessageBox(hwnd(), message);
}

void ChangePassDialog::ClearPassword() {
    SetItemText(hwnd(), IDC_TEXT1_PASS, "");
}

void ChangePassDialog::FocusPassword() {
    SetFocus(item(IDC_TEXT1_PASS));
}

void ChangePassDialog::Close() {
    ShowWindow(hwnd(), SW_HIDE);
}

INT_PTR ChangePassDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const desktop::ChangePassTexts texts = desktop::ChangePassPresenter::Texts();
        SetText(hwnd(), texts.caption);
        SetItemText(hwnd(), IDC_LBLNOTE, texts.note);
        SetItemText(hwnd(), IDC_CMDGANTI, texts.changeButton);
        SetItemText(hwnd(), IDCANCEL, texts.cancelButton);
        // The main window's icon.
        SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        PreparePasswordBox(item(IDC_TEXT1_PASS));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CMDGANTI) {
            m_presenter.ChangeNowClicked(WindowText(item(IDC_TEXT1_PASS)));
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            m_presenter.CancelClicked();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace quorvel::win32gui
