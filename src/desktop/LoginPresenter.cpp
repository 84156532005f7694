#include "desktop/LoginPresenter.h"

#include <utility>

namespace quorvel::desktop {

LoginPresenter::LoginPresenter(PasswordView& view, access::PasswordFile& file,
                               std::function<void()> accepted, std::function<void()> cancelled)
    : m_view(view), m_file(file), m_accepted(std::move(accepted)),
      m_cancelled(std::move(cancelled)) {}

LoginTexts LoginPresenter::Texts() {
    return {std::string(29, ' ') + "Login",
            "Pelor",
            "You must enter a password to continue.Your default password is",
            "&Password:",
            "Continue",
            "Cancel"};
}

void LoginPresenter::ContinueClicked(const std::string& typed) {
    const access::LoginOutcome outcome = m_file.Continue(typed);
    m_view.ClearPassword();
    if (outcome.accepted) {
        m_view.Close();
        if (m_accepted)
            m_accepted();
        return;
    }
    if (outcome.message)
        m_view.ShowMessage(*outcome.message);
    m_view.FocusPassword();
}

void LoginPresenter::CancelClicked() {
    m_view.ClearPassword();
    m_view.Close();
    if (m_cancelled)
        m_cancelled();
}

ChangePassTexts ChangePassPresenter::Texts() {
    return {std::string(25, ' ') + "Change Password",
            "Make a strong password for your safety, Max 15 characters", "Change Now", "Cancel"};
}

void ChangePassPresenter::ChangeNowClicked(const std::string& text) {
    const access::ChangeOutcome outcome = m_file.ChangeNow(text);
    m_view.ShowMessage(outcome.message);
    if (!outcome.saved) {
        m_view.FocusPassword();
        return;
    }
    m_view.ClearPassword();
    m_view.Close();
}

void ChangePassPresenter::CancelClicked() {
    m_view.ClearPassword();
    m_view.Close();
}

} // namespace quorvel::desktop
