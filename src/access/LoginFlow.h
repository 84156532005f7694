#pragma once

namespace quorvel::access {

// Where the main window is: on the screen, folded into the notification area, or away
// while the password prompt asks for it back.
enum class MainWindowPlace { Shown, InTray, AskingPassword };

// What is on the screen in a place. The windows the main window opened (its tools) come
// and go with it; nothing of it is shown, or takes input, before the right password.
struct LockedView {
    bool mainWindow = true;
    bool tools = true;
    bool trayIcon = false;
    bool login = false;
};

// The main window's way into the tray and back through the password prompt. A window
// applies view() after each step; the steps that do not fit the place change nothing.
class LoginFlow {
public:
    MainWindowPlace place() const { return m_place; }
    LockedView view() const;

    // The main window was minimised; without a notification area to fold into it stays
    // an ordinary minimised window. True when it folded.
    bool Minimised(bool trayAvailable);
    // "&Open Window" from the tray menu: asks for the password; the main window stays away.
    bool OpenWindow();
    // The right password: the main window and its tools come back.
    bool PasswordAccepted();
    // "Cancel" or the prompt's close box: back into the tray, nothing on the screen.
    bool Cancelled();

private:
    MainWindowPlace m_place = MainWindowPlace::Shown;
};

} // namespace quorvel::access
