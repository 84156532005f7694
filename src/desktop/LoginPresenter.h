#pragma once

#include "access/PasswordFile.h"
#include "store/Message.h"

#include <functional>
#include <string>

namespace quorvel::desktop {

struct LoginTexts {
    std::string caption;
    std::string defaultPassword;
    std::string note;
    std::string passwordLabel;
    std::string continueButton;
    std::string cancelButton;
};

struct ChangePassTexts {
    std::string caption;
    std::string note;
    std::string changeButton;
    std::string cancelButton;
};

// What the password windows ask of the toolkit.
class PasswordView {
public:
    virtual ~PasswordView() = default;
    virtual void ShowMessage(const store::Message& message) = 0; // waits for OK
    virtual void ClearPassword() = 0;
    virtual void FocusPassword() = 0;
    virtual void Close() = 0;
};

// frmLogin over set.db. The right password hands over to the shell (accepted); "Cancel"
// and the close box both hand back to the tray (cancelled).
class LoginPresenter {
public:
    LoginPresenter(PasswordView& view, access::PasswordFile& file, std::function<void()> accepted,
                   std::function<void()> cancelled);

    static LoginTexts Texts();

    void ContinueClicked(const std::string& typed);
    void CancelClicked();
    void Activated() { m_view.FocusPassword(); }

private:
    PasswordView& m_view;
    access::PasswordFile& m_file;
    std::function<void()> m_accepted;
    std::function<void()> m_cancelled;
};

// frmChangePass: "Change Now" stores the new password without asking for the old one.
class ChangePassPresenter {
public:
    ChangePassPresenter(PasswordView& view, access::PasswordFile& file)
        : m_view(view), m_file(file) {}

    static ChangePassTexts Texts();

    void ChangeNowClicked(const std::string& text);
    void CancelClicked();

private:
    PasswordView& m_view;
    access::PasswordFile& m_file;
};

} // namespace quorvel::desktop
