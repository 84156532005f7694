#pragma once

#include "desktop/ShellPresenter.h"
#include "win32gui/Win32Gui.h"

#include <functional>
#include <optional>
#include <shellapi.h>
#include <string>
#include <vector>

namespace quorvel::win32gui {

// cSysTray: the icon in the notification area, held by a hidden window of its own that
// receives the icon's callback message and the shell's TaskbarCreated.
class TrayIcon {
public:
    struct Events {
        std::function<void(unsigned)> mouse;  // the callback's mouse message
        std::function<void()> taskbarCreated; // the shell restarted
    };

    TrayIcon(HINSTANCE instance, HICON icon, std::string tip, Events events);
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon();

    bool Add();
    void Remove();
    // At the pointer; returns the chosen command, if any.
    std::optional<desktop::TrayCommand> TrackMenu(const std::vector<desktop::TrayMenuItem>& items);

    HWND hwnd() const { return m_hwnd; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    NOTIFYICONDATAW Record() const;

    HWND m_hwnd = nullptr;
    HICON m_icon;
    std::string m_tip;
    Events m_events;
    UINT m_taskbarCreated;
    bool m_added = false;
};

} // namespace quorvel::win32gui
