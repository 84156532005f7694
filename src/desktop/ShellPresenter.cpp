#include "desktop/ShellPresenter.h"

namespace quorvel::desktop {

namespace {

constexpr unsigned kRightButtonDown = 0x204;
constexpr unsigned kLeftDoubleClick = 0x203;
constexpr unsigned kRightDoubleClick = 0x206;

} // namespace

ShellPresenter::ShellPresenter(ShellView& view, bool trayAvailable)
    : m_view(view), m_trayAvailable(trayAvailable) {}

std::vector<TrayMenuItem> ShellPresenter::TrayMenu() {
    return {{false, TrayCommand::OpenWindow, "&Open Window"},
            {true, TrayCommand::OpenWindow, ""},
            {false, TrayCommand::CheckForUpdates, "Check For Updates"},
            {false, TrayCommand::About, "About"}};
}

void ShellPresenter::Started() {
    m_state = ShellState::Shown;
    m_view.ShowMainWindow();
}

// Without a notification area the window could not be reached again: an ordinary minimise.
void ShellPresenter::Minimised() {
    if (!m_trayAvailable || m_state != ShellState::Shown)
        return;
    m_view.HideMainWindow();
    m_state = ShellState::InTray;
    SetInTray(true);
}

void ShellPresenter::TrayMouseMessage(unsigned mouseMessage) {
    if (!m_inTray)
        return;
    if (mouseMessage == kRightButtonDown)
        m_view.OpenTrayMenu(TrayMenu());
    else if (mouseMessage == kLeftDoubleClick || mouseMessage == kRightDoubleClick)
        m_view.ShowAbout();
}

void ShellPresenter::TrayMenuChosen(TrayCommand command) {
    switch (command) {
    case TrayCommand::OpenWindow:
        if (m_state == ShellState::Shown)
            return m_view.ShowMainWindow();
        m_state = ShellState::LoginOpen;
        m_view.ShowLogin();
        SetInTray(false);
        return;
    case TrayCommand::CheckForUpdates: // has no action
        return;
    case TrayCommand::About:
        return m_view.ShowAbout();
    }
}

void ShellPresenter::LoginAccepted() {
    if (m_state != ShellState::LoginOpen)
        return;
    m_state = ShellState::Shown;
    m_view.ShowMainWindow();
}

void ShellPresenter::LoginCancelled() {
    if (m_state != ShellState::LoginOpen)
        return;
    m_state = ShellState::InTray;
    SetInTray(true);
}

void ShellPresenter::TaskbarCreated() {
    if (m_inTray)
        m_view.AddTrayIcon();
}

void ShellPresenter::SetInTray(bool inTray) {
    if (inTray == m_inTray)
        return;
    m_inTray = inTray;
    if (inTray)
        m_view.AddTrayIcon();
    else
        m_view.RemoveTrayIcon();
}

} // namespace quorvel::desktop
