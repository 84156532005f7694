#include "Shots.h"

#include "gui/AppContext.h"
#include "gui/frmAlert.h"
#include "gui/frmLogin.h"
#include "gui/frmTrayMsg.h"
#include "gui/frmUtama.h"
#include "gui/frmWindows.h"

#include <QAbstractButton>
#include <QListWidget>

namespace quorvel::tools {

namespace {

QWidget* Panel(ShotStage& stage, const QString& button) {
    if (auto* target = stage.window.findChild<QAbstractButton*>(button))
        target->click();
    return &stage.window;
}

QWidget* Opened(ShotStage& stage, int index) {
    stage.window.navigate(index);
    return stage.window.openedWindow(index);
}

// The first alert the guard opens for a process started by the screenshot run.
QWidget* AnAlert(ShotStage& stage) {
    auto& engine = stage.window.engine();
    if (!stage.waitUntil([&] { return !engine.openAlerts().empty(); }, 10000))
        return nullptr;
    return stage.window.alertWindow(*engine.openAlerts().front());
}

// Both alerts the run's two held processes open, stacked.
QWidget* TwoAlerts(ShotStage& stage) {
    auto& engine = stage.window.engine();
    if (!stage.waitUntil([&] { return engine.openAlerts().size() >= 2; }, 10000))
        return nullptr;
    return stage.window.alertWindow(*engine.openAlerts().front());
}

// The main window folded into the tray, and "&Open Window" asking for the password: the
// prompt alone on the screen.
QWidget* LoginFromTray(ShotStage& stage) {
    auto& window = stage.window;
    if (!window.login() || !window.login()->isVisible()) {
        if (window.isVisible()) {
            window.setWindowState(Qt::WindowMinimized);
            if (!stage.waitUntil([&] { return !window.isVisible(); }, 5000))
                return nullptr;
        }
        window.openFromTray();
    }
    return window.login();
}

// Back from the tray, as the right password brings the main window back.
QWidget* BackThenOpened(ShotStage& stage, int index) {
    if (auto* login = stage.window.login())
        emit login->passwordAccepted();
    stage.waitUntil([&] { return stage.window.isVisible(); }, 5000);
    return Opened(stage, index);
}

// Blocks every open alert until exit, so that the blocked page has something to show in
// both of its lists.
QWidget* BlockedPage(ShotStage& stage) {
    const auto open = stage.window.engine().openAlerts();
    for (const auto& alert : open)
        alert->Block(guard::AnswerDuration::UntilExit);
    Panel(stage, "cmdbutton_9");
    auto* list = stage.window.findChild<QListWidget*>("List2");
    if (list && list->count() > 0) {
        list->setCurrentRow(0);
        emit list->itemClicked(list->item(0));
    }
    return &stage.window;
}

} // namespace

std::vector<Shot> AllShots() {
    return {
        {"main-overview", [](ShotStage& s) { return Panel(s, "cmdbutton_0"); }},
        {"main-process-log", [](ShotStage& s) { return Panel(s, "cmdbutton_1"); }},
        {"main-settings", [](ShotStage& s) { return Panel(s, "cmdbutton_3"); }},
        {"main-manage-processes", [](ShotStage& s) { return Panel(s, "cmdbutton_7"); }},
        {"main-blacklist", [](ShotStage& s) { return Panel(s, "cmdbutton_10"); }},
        {"main-whitelist", [](ShotStage& s) { return Panel(s, "cmdbutton_11"); }},
        {"main-virus-scan", [](ShotStage& s) { return Panel(s, "cmdclamscan"); }},
        {"alert", AnAlert},
        {"alerts-stacked", TwoAlerts, true},
        {"main-blocked-process", BlockedPage},
        {"main-process-details", [](ShotStage& s) { return Panel(s, "uc7MoreInfoJail"); }},
        {"popup",
         [](ShotStage&) -> QWidget* {
             return gui::frmTrayMsg::ShowTrayMessage("WARNING",
                                                     "New process detected : notepad.exe");
         }},
        {"login", LoginFromTray},
        {"login-over-tray", LoginFromTray, true},
        {"change-password", [](ShotStage& s) { return BackThenOpened(s, 4); }},
        {"windows",
         [](ShotStage& s) -> QWidget* {
             auto* windows = new gui::frmWindows(1, "Xvfb", s.context, &s.window);
             windows->setWindowFlag(Qt::Window);
             windows->setAttribute(Qt::WA_DeleteOnClose);
             windows->show();
             return windows;
         }},
        {"about", [](ShotStage& s) { return Opened(s, 5); }},
        {"reg-quorvel", [](ShotStage& s) { return Opened(s, 2); }},
        {"check-for-updates", [](ShotStage& s) { return Opened(s, 6); }},
        {"analyze", [](ShotStage& s) { return Opened(s, 8); }},
    };
}

} // namespace quorvel::tools
