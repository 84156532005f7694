#pragma once

#include <string>
#include <vector>

namespace quorvel::desktop {

enum class TrayCommand { OpenWindow, CheckForUpdates, About };

struct TrayMenuItem {
    bool separator = false;
    TrayCommand command = TrayCommand::OpenWindow;
    std::string text;
};

// Where the main window is: on screen, folded into the tray, or behind the password prompt.
enum class ShellState { Shown, InTray, LoginOpen };

// What the main window's lifecycle asks of the toolkit.
class ShellView {
public:
    virtual ~ShellView() = default;
    virtual void ShowMainWindow() = 0; // restored, raised, active
    virtual void HideMainWindow() = 0; // not mapped, takes no input
    virtual void AddTrayIcon() = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual void ShowLogin() = 0; // the one prompt, raised, with the focus in its box
    virtual void ShowAbout() = 0;
    virtual void OpenTrayMenu(const std::vector<TrayMenuItem>& items) = 0; // at the pointer
};

// The main window's life between the screen, the notification area and the password
// prompt. Nothing of the main window can be reached while the prompt is open: the window
// stays unmapped until the right password, and "Cancel" leaves only the tray icon.
class ShellPresenter {
public:
    // The callback message of the tray icon, and its identifier.
    static constexpr unsigned kTrayCallbackMessage = 0x400 + 101;
    static constexpr unsigned kTrayIconId = 0;

    ShellPresenter(ShellView& view, bool trayAvailable);

    static std::string TrayTip() { return "Quorvel 1.5"; }
    static std::vector<TrayMenuItem> TrayMenu();

    void Started(); // the main window is shown; no icon yet
    void Minimised();
    // The mouse message (WM_MOUSEMOVE 0x200 to WM_RBUTTONDBLCLK 0x206) the tray icon
    // reported: a right button press opens the menu, a double click of either the About box.
    void TrayMouseMessage(unsigned mouseMessage);
    void TrayMenuChosen(TrayCommand command);
    void LoginAccepted();
    void LoginCancelled();
    // The notification area was (re)started and holds no icon of ours any more.
    void TaskbarCreated();

    ShellState state() const { return m_state; }
    bool inTray() const { return m_inTray; }

private:
    void SetInTray(bool inTray);

    ShellView& m_view;
    bool m_trayAvailable;
    bool m_inTray = false;
    ShellState m_state = ShellState::Shown;
};

} // namespace quorvel::desktop
