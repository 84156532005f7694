#pragma once

#include "desktop/LoginPresenter.h"
#include "win32gui/DialogWindow.h"

#include <memory>

namespace quorvel::win32gui {

// frmLogin: the password prompt in front of the main window.
class LoginDialog : public DialogWindow, public desktop::PasswordView {
public:
    LoginDialog(HINSTANCE instance, access::PasswordFile& file, std::function<void()> accepted,
                std::function<void()> cancelled);
    ~LoginDialog() override { Destroy(); }

    void Show();

    void ShowMessage(const store::Message& message) override;
    void ClearPassword() override;
    void FocusPassword() override;
    void Close() override;

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HINSTANCE m_instance;
    desktop::LoginPresenter m_presenter;
    HFONT m_bold = nullptr;
};

// frmChangePass: opened from the Settings panel.
class ChangePassDialog : public DialogWindow, public desktop::PasswordView {
public:
    ChangePassDialog(HINSTANCE instance, access::PasswordFile& file, HWND owner, HICON icon);
    ~ChangePassDialog() override { Destroy(); }

    void Show();

    void ShowMessage(const store::Message& message) override;
    void ClearPassword() override;
    void FocusPassword() override;
    void Close() override;

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HINSTANCE m_instance;
    HWND m_owner;
    HICON m_icon;
    desktop::ChangePassPresenter m_presenter;
};

// A message box of the logic's words, owned by window.
void ShowMessageBox(HWND owner, const store::Message& message);

} // namespace quorvel::win32gui
