// Writes a PNG of each window to $QUORVEL_SHOTS_DIR (run under Xvfb with the xcb platform);
// without that variable it skips.
#include "gui/frmAbout.h"
#include "gui/frmAlert.h"
#include "gui/frmChangePass.h"
#include "gui/frmLogin.h"
#include "gui/frmTrayMsg.h"
#include "gui/frmWindows.h"
#include "gui/support/GuiFixtures.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace quorvel;
using gui::testing::WindowContext;

class WindowShotsTest : public QObject {
    Q_OBJECT

    QDir m_out;

    void save(QWidget* window, const QString& name) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(150);
        QVERIFY(window->grab().save(m_out.filePath(name + ".png")));
    }

private slots:
    void initTestCase() {
        const QString dir = qEnvironmentVariable("QUORVEL_SHOTS_DIR");
        if (dir.isEmpty())
            QSKIP("QUORVEL_SHOTS_DIR is not set");
        QDir().mkpath(dir);
        m_out = QDir(dir);
    }

    void windows() {
        guard::testing::GuardRig rig;
        WindowContext ui;
        ui.platform.windows = std::make_unique<gui::testing::BorrowedWindows>(rig.windows);
        rig.StartGuard({"init"});
        const uint32_t pid = rig.processes.Start("setup.exe", "/home/user/Downloads/setup.exe");
        rig.windows.windows = {{1, pid, "Setup - Welcome"}, {2, pid, "Setup wizard"}};
        rig.guard.Tick();

        auto* alert = new gui::frmAlert(rig.AlertFor("setup.exe"), ui.context);
        alert->findChild<QTimer*>("tmr")->stop();
        for (int i = 0; i < 3; ++i)
            alert->countdownTick();
        save(alert, "frmAlert");

        auto* list = gui::frmWindows::ShowFor(pid, "setup.exe", ui.context);
        save(list, "frmWindows");

        gui::frmLogin login(ui.context);
        login.findChild<QLineEdit*>("txtPassword")->setText("secret");
        save(&login, "frmLogin");
        gui::frmChangePass change(ui.context);
        save(&change, "frmChangePass");
        gui::frmAbout about;
        save(&about, "frmAbout");

        gui::frmTrayMsg::setManualTicks(true);
        auto* popup =
            gui::frmTrayMsg::ShowTrayMessage("WARNING", "New process detected : setup.exe");
        while (popup->schedule().slideTimerOn())
            popup->TimerLoad_Timer();
        save(popup, "frmTrayMsg");
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(
            m_out.filePath("frmTrayMsg-screen.png")));

        rig.guard.ExitSequence();
        alert->closeIfAnswered();
        delete list;
        delete popup;
    }
};

QTEST_MAIN(WindowShotsTest)
#include "WindowShots_test.moc"
