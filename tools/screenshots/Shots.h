#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace quorvel::gui {
class frmUtama;
struct AppContext;
} // namespace quorvel::gui

namespace quorvel::tools {

// What a shot may use: the main window, the context, and a wait that lets the program run.
struct ShotStage {
    gui::frmUtama& window;
    gui::AppContext& context;
    std::function<bool(const std::function<bool()>&, int)> waitUntil;
};

// One PNG: a file name and what to bring on screen; returns the window to photograph
// (null when it could not be had).
struct Shot {
    QString name;
    std::function<QWidget*(ShotStage&)> prepare;
    // The whole screen, window manager and tray included, rather than the window alone.
    bool wholeScreen = false;
};

// Every shot, in the order taken. A window added to the program gets a line here.
std::vector<Shot> AllShots();

} // namespace quorvel::tools
