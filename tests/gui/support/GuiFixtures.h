#pragma once

#include "guard/AlertHost.h"
#include "gui/AppContext.h"
#include "platform/Platform.h"

#include <QTemporaryDir>

// Qt's "slots" keyword would eat the engine's slots() accessors.
#pragma push_macro("slots")
#undef slots
#include "guard/GuardDoubles.h"
#pragma pop_macro("slots")
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace quorvel::gui::testing {

// Lends a desktop owned elsewhere (a guard rig's fake) to the windows' context.
class BorrowedWindows final : public platform::DesktopWindows {
public:
    explicit BorrowedWindows(platform::DesktopWindows& windows) : m_windows(windows) {}
    platform::Result<std::vector<platform::TopLevelWindow>> ListTopLevelWindows() override {
        return m_windows.ListTopLevelWindows();
    }
    platform::Status MinimizeWindows(const std::vector<uint64_t>& ids) override {
        return m_windows.MinimizeWindows(ids);
    }

private:
    platform::DesktopWindows& m_windows;
};

// The native platform on a temporary Data folder, with a scripted desktop.
struct WindowContext {
    WindowContext();
    // The Data folder's file of that name.
    QString dataFile(const QString& name) const;

    QTemporaryDir dataDir;
    guard::testing::FakeWindows windows;
    platform::Platform platform;
    AppContext context;
};

// Carries nothing out: only notes which answer an alert gave.
class RecordingAlertHost final : public guard::AlertHost {
public:
    void AnswerAllow(guard::Alert& alert, guard::AnswerDuration duration) override {
        record("allow", alert, duration);
    }
    void AnswerBlock(guard::Alert& alert, guard::AnswerDuration duration) override {
        record("block", alert, duration);
    }
    void AnswerKillNow(guard::Alert& alert) override {
        record("kill", alert, guard::AnswerDuration::ThisTime);
    }

    // "allow 4711"; a longer duration follows: "block 4711 Until Quorvel exits".
    std::vector<std::string> answers;

private:
    void record(const char* what, guard::Alert& alert, guard::AnswerDuration duration) {
        std::string line = std::string(what) + " " + std::to_string(alert.info().pid);
        if (duration != guard::AnswerDuration::ThisTime)
            line += " " + std::string(guard::DurationName(duration));
        answers.push_back(std::move(line));
    }
};

// Runs pending deletions, so that a window closed with WA_DeleteOnClose is gone.
void FlushDeletes();

// Every visible top-level widget of that object name.
std::vector<QWidget*> VisibleWindows(const QString& objectName);

} // namespace quorvel::gui::testing
