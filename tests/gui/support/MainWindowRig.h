#pragma once

// Qt defines the word slots as a macro; the guard's headers use it as a name.
#pragma push_macro("slots")
#undef slots
#include "guard/GuardDoubles.h"
#pragma pop_macro("slots")

#include "gui/AppContext.h"
#include "gui/frmUtama.h"
#include "platform/Platform.h"

#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::gui::testing {

// Points the registry files, the auto-start folder, and the user's config and runtime
// folders at a temporary folder, so that the tests never touch the machine's own.
void IsolateUserFolders();

// The main window over scripted processes, windows and shell, with the real files and
// registry backends in a temporary Data folder.
class MainWindowRig {
public:
    MainWindowRig();
    ~MainWindowRig();

    // Writes a file in the Data folder before the start.
    void writeDataFile(const QString& name, const QByteArray& bytes);
    QByteArray readDataFile(const QString& name) const;
    QString dataPath(const QString& name) const;

    // Starts the named processes, then the window's start-up sequence.
    void start(const std::vector<std::string>& running = {"init"});
    // Starts a new process of that name and takes one guard tick; the alert holding it.
    std::shared_ptr<guard::Alert> hold(const std::string& name);

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    // Clicks the named button and lets deferred deletes run.
    void click(const QString& button) const;
    // The texts of a list widget.
    QStringList items(const QString& list) const;
    QString text(const QString& label) const;

    QTemporaryDir folder;
    guard::testing::FakeProcesses* processes = nullptr;
    guard::testing::FakeWindows* windows = nullptr;
    guard::testing::FakeClock clock;
    platform::Platform platform;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<frmUtama> window;
};

// Lets deleteLater() and queued calls run.
void settle();

} // namespace quorvel::gui::testing
