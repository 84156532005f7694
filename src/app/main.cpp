#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/SingleInstance.h"
#include "gui/frmUtama.h"
#include "platform/ExecEvents.h"
#include "platform/Platform.h"
#include "store/DataFolder.h"
#include "store/ProgramLayout.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QTextStream>
#include <cstdio>
#include <ctime>

namespace {

// Tests of the whole program: "yes,no,ok" answers the message boxes in turn without
// showing them, and every box is written to standard error.
constexpr const char* kTestAnswersVariable = "QUORVEL_TEST_MESSAGEBOX_ANSWERS";
// Writes the wall-clock time of the main window's first paint to standard error.
constexpr const char* kFirstPaintVariable = "QUORVEL_REPORT_FIRST_PAINT";

void EnableTestAnswers() {
    if (!qEnvironmentVariableIsSet(kTestAnswersVariable))
        return;
    using quorvel::gui::MessageBox;
    MessageBox::enableTestMode();
    const auto answers = qEnvironmentVariable(kTestAnswersVariable).split(',', Qt::SkipEmptyParts);
    for (const QString& answer : answers) {
        const QString word = answer.trimmed().toLower();
        MessageBox::setNextAnswer(word == "no"    ? QMessageBox::No
                                  : word == "yes" ? QMessageBox::Yes
                                                  : QMessageBox::Ok);
    }
}

void ReportTestMessages() {
    if (!qEnvironmentVariableIsSet(kTestAnswersVariable))
        return;
    QTextStream err(stderr);
    for (const auto& shown : quorvel::gui::MessageBox::shown())
        err << "MessageBox: " << shown.title << " | " << shown.text << "\n";
}

class FirstPaintReporter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // The processor time too: on a busy machine the wall clock says little.
            std::fprintf(stderr, "first paint at %lld ms, cpu %ld ms\n",
                         static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                         static_cast<long>(std::clock() * 1000 / CLOCKS_PER_SEC));
            watched->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvel");
    // The window lives on in the tray while hidden; only the exit sequence ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription("Quorvel desktop protection");
    parser.addHelpOption();
    const QCommandLineOption dataOption("data", "Use DIR as the Data folder.", "DIR");
    parser.addOption(dataOption);
    const QCommandLineOption eventsOption(
        "events", "Where new programs are learnt of: auto, connector or none.", "SOURCE", "auto");
    parser.addOption(eventsOption);
    const QCommandLineOption watchOption(
        "watch", "Hold execs only on the filesystem mounted at MOUNT (repeatable).", "MOUNT");
    parser.addOption(watchOption);
    parser.process(app);
    const QString events = parser.value(eventsOption);
    if (events != "auto" && events != "connector" && events != "none") {
        std::fprintf(stderr, "quorvel: --events takes auto, connector or none\n");
        return 2;
    }

    EnableTestAnswers();

    quorvel::gui::SingleInstance instance;
    if (!instance.claimOrRefuse()) {
        ReportTestMessages();
        return 0;
    }

    auto platform = quorvel::platform::CreateNativePlatform();
    if (!platform.processes || !platform.windows || !platform.shell || !platform.files ||
        !platform.ansi || !platform.registry) {
        std::fprintf(stderr, "quorvel: the guard cannot run on this system\n");
        return 1;
    }
    // A portable copy keeps everything beside the executable; an installed one uses the
    // user's own folders, seeded from the shared defaults.
    const auto layout = quorvel::store::FindProgramLayout(*platform.shell, *platform.files);
    if (const auto prepared = quorvel::store::PrepareUserFolders(*platform.files, layout);
        !prepared)
        std::fprintf(stderr, "quorvel: %s\n", prepared.error().message.c_str());
    // Absolute, so that "Run at Startup" can pass it on to a log-in in another folder.
    const bool dataGiven = parser.isSet(dataOption);
    const std::string dataFolder =
        dataGiven
            ? QDir::toNativeSeparators(QDir(parser.value(dataOption)).absolutePath()).toStdString()
            : layout.dataFolder;
    quorvel::gui::AppContext context{platform, dataFolder, layout.programFolder};
    context.dataFolderGiven = dataGiven;
    if (layout.installed) {
        const auto lastSeparator = layout.clamAvFolder.find_last_of(layout.separator);
        context.scannerBase = layout.clamAvFolder.substr(0, lastSeparator);
        context.scanFolder = layout.scanFolder;
        context.downloadFolder = layout.downloadFolder;
    }

    quorvel::gui::frmUtama window(context);
    // A backend of its own for the guard's listings on their thread.
    window.listOnOwnThread(quorvel::platform::CreateNativePlatform().processes);
    if (events != "none") {
        quorvel::platform::ExecEventsOptions eventOptions;
        for (const QString& mount : parser.values(watchOption))
            eventOptions.mountPoints.push_back(mount.toStdString());
        eventOptions.noFanotify = events != "auto";
        window.useExecEvents(eventOptions);
    }
    // Only the exit sequence ends the program: not the close of an alert or a list while
    // the main window sits in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &quorvel::gui::frmUtama::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    FirstPaintReporter reporter;
    if (qEnvironmentVariableIsSet(kFirstPaintVariable))
        window.installEventFilter(&reporter);
    window.StartUp();
    window.show();
    window.OfferFirstStartTrust();

    const int code = QApplication::exec();
    ReportTestMessages();
    return code;
}
