#pragma once

#include "platform/DesktopWindows.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct _XDisplay;

namespace quorvel::platform::linux_backend {

// Top-level windows of an X11 desktop through libX11. Connects on first use, so making
// the platform costs nothing for commands that never look at windows; without a display
// it lists nothing and does nothing. Survives windows that vanish mid-walk and a server
// that goes away (it reconnects later).
class X11Windows final : public DesktopWindows {
public:
    // Without a name, $DISPLAY names the server.
    explicit X11Windows(std::optional<std::string> displayName = std::nullopt);
    ~X11Windows() override;
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    // With a window manager: its client list in stacking order, top-most first, then the
    // hidden top-level windows it does not manage. Without one: the root's children,
    // top-most first. Titles from _NET_WM_NAME, else WM_NAME; owners from _NET_WM_PID.
    Result<std::vector<TopLevelWindow>> ListTopLevelWindows() override;

    // Asks the window manager to iconify each window (ICCCM WM_CHANGE_STATE).
    Status MinimizeWindows(const std::vector<uint64_t>& ids) override;

private:
    struct DisplayCloser {
        void operator()(_XDisplay* display) const;
    };

    _XDisplay* connection();
    static void OnConnectionLost(_XDisplay* display, void* self);

    std::optional<std::string> m_displayName;
    std::mutex m_mutex; // Xlib is used without its own locking
    std::unique_ptr<_XDisplay, DisplayCloser> m_display;
    bool m_lost = false;
    std::chrono::steady_clock::time_point m_nextAttempt{};
};

} // namespace quorvel::platform::linux_backend
