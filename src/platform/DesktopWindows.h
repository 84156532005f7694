#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::platform {

struct TopLevelWindow {
    uint64_t id = 0;       // HWND or X11 window id
    uint32_t ownerPid = 0; // 0 when the owner cannot be told
    std::string title;     // may be empty; hidden windows are listed too
    // On the screen as a user's window: shown, not minimised, and one a user can minimise
    // (not a panel, dock or the desktop itself).
    bool onScreen = false;
};

// The top-level windows of the desktop.
class DesktopWindows {
public:
    virtual ~DesktopWindows() = default;

    // Every top-level window in enumeration order (top-most first). Without a desktop
    // (no display) the list is empty and that is not an error.
    virtual Result<std::vector<TopLevelWindow>> ListTopLevelWindows() = 0;

    // Minimises exactly the windows given (ids from the list), without activating any
    // other. A window that has gone meanwhile is skipped. Without a desktop it does nothing.
    virtual Status MinimizeWindows(const std::vector<uint64_t>& ids) = 0;
};

} // namespace quorvel::platform
