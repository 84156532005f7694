#pragma once

#include <QString>
#include <cstdint>

namespace quorvel::gui::testing {

// A real click of the first mouse button at a point of the screen, through the X server's
// XTest extension, as a user's hand would give it: the window manager and every client
// see it as they would see the mouse. False when the server or libXtst is not there.
bool ClickAt(int x, int y);

// Writes a window's WM_STATE (1 normal, 3 iconic) and _NET_WM_STATE (hidden or empty) as a
// window manager does: the client hears it as its manager's word. False without a server.
bool SetManagerState(uint64_t window, long wmState, bool hidden);

// Whether the X server shows the window (xwininfo's "Map State: IsViewable").
bool Viewable(uint64_t window);

// Whether a window manager runs on the display (one that announces itself).
bool WindowManagerRunning();

} // namespace quorvel::gui::testing
