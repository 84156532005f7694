#include "win32gui/DesktopApp.h"

#include "win32gui/AppIcon.h"
#include "win32gui/Resource.h"

namespace quorvel::win32gui {

DesktopApp::DesktopApp(HINSTANCE instance, platform::Platform& platform,
                       const std::string& setDbPath)
    : m_instance(instance),
      m_platform(platform), m_icon{MakeAppIcon(32)}, m_smallIcon{MakeAppIcon(16)},
      m_passwords(*platform.files, *platform.ansi, setDbPath), m_shell(*this, true),
      m_main(instance, m_icon.handle,
             {[this] { m_shell.Minimised(); }, [this] { Exit(); },
              [this](desktop::ToolWindow window) { OpenToolWindow(window); },
              [this](const std::string& title, const std::string& message) {
                  m_popup.ShowTrayMessage(title, message);
              }}),
      m_tray(instance, m_smallIcon.handle, desktop::ShellPresenter::TrayTip(),
             {[this](unsigned mouse) { m_shell.TrayMouseMessage(mouse); },
              [this] { m_shell.TaskbarCreated(); }}),
      m_login(
          instance, m_passwords, [this] { m_shell.LoginAccepted(); },
          [this] { m_shell.LoginCancelled(); }),
      m_about(instance, m_icon.handle), m_popup(instance) {
    RegisterDialogClass(instance, QUORVEL_CLASS_MAIN, m_icon.handle);
    RegisterDialogClass(instance, QUORVEL_CLASS_LOGIN, m_icon.handle);
    RegisterDialogClass(instance, QUORVEL_CLASS_CHANGEPASS, m_icon.handle);
    RegisterDialogClass(instance, QUORVEL_CLASS_ABOUT, m_icon.handle);
    RegisterDialogClass(instance, QUORVEL_CLASS_TRAYMSG, nullptr);
}

DesktopApp::~DesktopApp() {
    m_tray.Remove();
}

int DesktopApp::Run() {
    if (!m_main.Create())
        return 1;
    m_main.SetMachineText(m_platform.shell->Is64BitMachine() ? "64 Bit machine" : "32 Bit machine");
    m_shell.Started();
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Enter and Escape in whichever of the dialogs has the message.
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && IsDialogMessageW(root, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void DesktopApp::ShowMainWindow() {
    ShowWindow(m_main.hwnd(), IsIconic(m_main.hwnd()) ? SW_RESTORE : SW_SHOWNORMAL);
    SetForegroundWindow(m_main.hwnd());
}

void DesktopApp::HideMainWindow() {
    ShowWindow(m_main.hwnd(), SW_HIDE);
}

void DesktopApp::AddTrayIcon() {
    m_tray.Add();
}

void DesktopApp::RemoveTrayIcon() {
    m_tray.Remove();
}

void DesktopApp::ShowLogin() {
    m_login.Show();
}

void DesktopApp::ShowAbout() {
    m_about.Show();
}

void DesktopApp::OpenTrayMenu(const std::vector<desktop::TrayMenuItem>& items) {
    if (const auto chosen = m_tray.TrackMenu(items))
        m_shell.TrayMenuChosen(*chosen);
}

void DesktopApp::OpenToolWindow(desktop::ToolWindow window) {
    switch (window) {
    case desktop::ToolWindow::About:
        return ShowAbout();
    case desktop::ToolWindow::ChangePassword:
        if (!m_changePass)
            m_changePass = std::make_unique<ChangePassDialog>(m_instance, m_passwords,
                                                              m_main.hwnd(), m_icon.handle);
        return m_changePass->Show();
    case desktop::ToolWindow::RegQuorvel:
    case desktop::ToolWindow::CheckForUpdates:
    case desktop::ToolWindow::Analyze:
        return; // their windows come with the guard's wiring
    }
}

// Nothing is held yet on this front end, so the exit question has nothing to ask.
void DesktopApp::Exit() {
    m_tray.Remove();
    PostQuitMessage(0);
}

} // namespace quorvel::win32gui
