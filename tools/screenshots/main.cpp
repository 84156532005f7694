// quorvel-screenshots OUTDIR: the desktop program on a temporary Data folder, one PNG per
// shot of Shots.cpp. Run through tools/screenshots.sh (Xvfb, a tray, its own PID
// namespace: the alert shot holds a process the run starts itself).
#include "Shots.h"
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/frmUtama.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

void Settle(int milliseconds) {
    WaitUntil([] { return false; }, milliseconds);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvel-screenshots OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    quorvel::gui::MessageBox::enableTestMode(); // the exit question is answered Yes

    QTemporaryDir data;
    // The registry and the auto-start entry of the run stay in its own folder.
    for (const char* variable :
         {"QUORVEL_REGISTRY_HKCU", "QUORVEL_REGISTRY_HKLM", "QUORVEL_AUTOSTART_DIR"})
        qputenv(variable, data.filePath(variable).toUtf8());
    WriteFile(data.filePath("whitelist.db"), "kenal|Xvfb\r\nkenal|trayer\r\nkenal|bash\r\n");
    WriteFile(data.filePath("blacklist.db"), "kenal|nc.exe\r\n");
    WriteFile(data.filePath("main.ini"), "[QUORVEL]\r001-0\r002-0\r003-0\r004-1\r005-0\r");

    auto platform = quorvel::platform::CreateNativePlatform();
    quorvel::gui::AppContext context{platform, data.path().toStdString(),
                                     data.path().toStdString()};
    quorvel::gui::frmUtama window(context);
    window.StartUp();
    window.show();
    Settle(500);

    // Two processes of the run's own for the alerts: held by the guard, resumed at exit.
    QProcess held;
    held.start("/bin/sleep", {"600"});
    held.waitForStarted();
    Settle(400);
    QProcess heldToo;
    heldToo.start("/usr/bin/tail", {"-f", "/dev/null"});
    heldToo.waitForStarted();

    quorvel::tools::ShotStage stage{window, context, WaitUntil};
    int failed = 0;
    for (const auto& shot : quorvel::tools::AllShots()) {
        QWidget* target = shot.prepare(stage);
        Settle(400);
        const QString file = out.filePath(shot.name + ".png");
        const QPixmap picture = !target            ? QPixmap()
                                : shot.wholeScreen ? target->screen()->grabWindow(0)
                                                   : target->grab();
        if (picture.isNull() || !picture.save(file)) {
            std::fprintf(stderr, "quorvel-screenshots: no %s\n", qPrintable(shot.name));
            ++failed;
            continue;
        }
        std::printf("%s\n", qPrintable(file));
        if (target != &window)
            target->close();
        Settle(100);
    }

    window.close();
    for (QProcess* process : {&held, &heldToo}) {
        process->kill(); // by the PID QProcess holds
        process->waitForFinished();
    }
    return failed == 0 ? 0 : 1;
}
