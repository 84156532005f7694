#pragma once

#include "access/PasswordFile.h"
#include "desktop/ShellPresenter.h"
#include "platform/Platform.h"
#include "win32gui/AboutDialog.h"
#include "win32gui/MainWindow.h"
#include "win32gui/PasswordDialogs.h"
#include "win32gui/TrayIcon.h"
#include "win32gui/TrayMsgWindow.h"

#include <memory>
#include <string>

namespace quorvel::win32gui {

// One running desktop: its windows, the tray icon and the shell's presenter between them.
class DesktopApp : public desktop::ShellView {
public:
    DesktopApp(HINSTANCE instance, platform::Platform& platform, const std::string& setDbPath);
    ~DesktopApp() override;

    // Shows the main window and runs the message loop until the program ends.
    int Run();

    void ShowMainWindow() override;
    void HideMainWindow() override;
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;
    void ShowLogin() override;
    void ShowAbout() override;
    void OpenTrayMenu(const std::vector<desktop::TrayMenuItem>& items) override;

private:
    void OpenToolWindow(desktop::ToolWindow window);
    void Exit();

    // Declared before the windows, so it outlives them.
    struct OwnedIcon {
        explicit OwnedIcon(HICON icon) : handle(icon) {}
        OwnedIcon(const OwnedIcon&) = delete;
        OwnedIcon& operator=(const OwnedIcon&) = delete;
        ~OwnedIcon() {
            if (handle != nullptr)
                DestroyIcon(handle);
        }
        HICON handle;
    };

    HINSTANCE m_instance;
    platform::Platform& m_platform;
    OwnedIcon m_icon;
    OwnedIcon m_smallIcon;
    access::PasswordFile m_passwords;
    desktop::ShellPresenter m_shell;
    MainWindow m_main;
    TrayIcon m_tray;
    LoginDialog m_login;
    AboutDialog m_about;
    TrayMsgWindow m_popup;
    std::unique_ptr<ChangePassDialog> m_changePass;
};

} // namespace quorvel::win32gui
