// The desktop program end to end: the real Linux platform, a real X server with a real
// notification area, and real child processes, as PID 1 of a PID namespace of its own.
#include "guard/namespace/ChildProcess.h"
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/cSysTray.h"
#include "gui/frmAlert.h"
#include "gui/frmUtama.h"
#include "gui/support/MainWindowRig.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

using quorvel::guard::testing::ChildProcess;
using quorvel::gui::frmAlert;
using quorvel::gui::MessageBox;
using std::chrono::milliseconds;

namespace {

constexpr int kSeconds = 1000;

// scripts/guard-in-namespace.sh made this PID namespace: its PID 1 carries the marker.
bool InGuardNamespace() {
    QFile environ("/proc/1/environ");
    if (!environ.open(QIODevice::ReadOnly))
        return false;
    return environ.readAll().split('\0').contains("QUORVEL_PID_NAMESPACE=1");
}

} // namespace

class DesktopEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!InGuardNamespace())
            QSKIP("needs its own PID namespace: run it through scripts/guard-in-namespace.sh");
        quorvel::gui::testing::IsolateUserFolders();
        MessageBox::enableTestMode();
    }

    void alertAllowCountdownAndExit() {
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10 * kSeconds);

        QTemporaryDir data;
        auto platform = quorvel::platform::CreateNativePlatform();
        quorvel::gui::AppContext context{platform, data.path().toStdString(),
                                         data.path().toStdString()};
        quorvel::gui::frmUtama window(context);
        window.listOnOwnThread(quorvel::platform::CreateNativePlatform().processes);
        window.StartUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto& engine = window.engine();

        // Minimised, the window lives in the real notification area.
        window.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 5 * kSeconds);
        QVERIFY(window.tray().InTray());
        QVERIFY(window.tray().icon() && window.tray().icon()->isVisible());
        window.showNormal();
        window.tray().setInTray(false);

        // A new process is held and its alert opens with its PID.
        ChildProcess allowed({"/bin/sleep", "300"});
        QTRY_VERIFY_WITH_TIMEOUT(!engine.openAlerts().empty(), 10 * kSeconds);
        auto alert = engine.openAlerts().front();
        QCOMPARE(alert->info().pid, static_cast<uint32_t>(allowed.pid()));
        QVERIFY(allowed.WaitForState("T", milliseconds(5 * kSeconds)));
        frmAlert* alertWindow = window.alertWindow(*alert);
        QVERIFY(alertWindow);
        QTRY_VERIFY(alertWindow->isVisible());
        if (auto* allow = alertWindow->findChild<QAbstractButton*>("uc7Allow"))
            QTest::mouseClick(allow, Qt::LeftButton);
        else
            alert->Allow();
        QVERIFY(alert->answered());
        QVERIFY(allowed.WaitForState("SR", milliseconds(5 * kSeconds)));

        // Another is blocked by the countdown and listed, still stopped.
        ChildProcess blocked({"/usr/bin/tail", "-f", "/dev/null"});
        QTRY_VERIFY_WITH_TIMEOUT(!engine.openAlerts().empty(), 10 * kSeconds);
        alert = engine.openAlerts().front();
        QCOMPARE(alert->info().pid, static_cast<uint32_t>(blocked.pid()));
        alertWindow = window.alertWindow(*alert);
        QVERIFY(alertWindow);
        // The window counts down by itself once a second; where it does not, its ticks
        // are given here.
        QTest::qWait(2500);
        if (alert->countdown() == quorvel::guard::Alert::kCountdownStart) {
            for (int i = 0; i < quorvel::guard::Alert::kCountdownStart; ++i)
                alertWindow->countdownTick();
        }
        QTRY_VERIFY_WITH_TIMEOUT(alert->answered(), 15 * kSeconds);
        auto* jailList = window.findChild<QListWidget*>("List2");
        QCOMPARE(jailList->count(), 1);
        QCOMPARE(jailList->item(0)->text(), QString("tail"));
        QVERIFY(blocked.WaitForState("T", milliseconds(5 * kSeconds)));

        // Closing asks about the one blocked process; Yes resumes it.
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(window.close());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text,
                 QString("You have 1 Blocked processes. Do you want to resume these processes "
                         "and exit?"));
        QVERIFY(blocked.WaitForState("SR", milliseconds(5 * kSeconds)));

        allowed.KillAndReap();
        blocked.KillAndReap();
    }
};

QTEST_MAIN(DesktopEndToEnd)
#include "Desktop_e2e.moc"
