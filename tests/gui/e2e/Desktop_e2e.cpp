// The desktop program end to end: the real Linux platform, a real X server with a real
// notification area, and real child processes, as PID 1 of a PID namespace of its own.
#include "access/Password.h"
#include "guard/AlertPlacement.h"
#include "guard/namespace/ChildProcess.h"
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/cSysTray.h"
#include "gui/e2e/RealInput.h"
#include "gui/frmAlert.h"
#include "gui/frmLogin.h"
#include "gui/frmUtama.h"
#include "gui/frmWindows.h"
#include "gui/support/MainWindowRig.h"
#include "platform/ExecEvents.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

using quorvel::guard::testing::ChildProcess;
using quorvel::gui::frmAlert;
using quorvel::gui::MessageBox;
using quorvel::gui::testing::ClickAt;
using quorvel::gui::testing::SetManagerState;
using quorvel::gui::testing::Viewable;
using quorvel::gui::testing::WindowManagerRunning;
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

namespace fs = std::filesystem;

// A tmpfs in the test's own mount namespace: the only filesystem whose execs the desktop
// holds. `maker` and `trusted` create the file they are given as their first act.
class ExecMount {
public:
    ExecMount() {
        char pattern[] = "/tmp/quorvel-desktop-exec-XXXXXX";
        if (!::mkdtemp(pattern))
            return;
        path = pattern;
        if (::mount("tmpfs", pattern, "tmpfs", 0, "size=16m") != 0)
            return;
        mounted = true;
        for (const char* name : {"maker", "trusted"}) {
            fs::copy_file("/usr/bin/touch", path / name);
            fs::permissions(path / name,
                            fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        }
    }
    ~ExecMount() {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
        if (!path.empty())
            fs::remove_all(path);
    }
    fs::path path;
    bool mounted = false;
};

// A shell that runs `program file` once the test writes a line to it: the program is
// then the shell's child, not the guard's (the guard never holds what it starts itself).
class GatedShell {
public:
    GatedShell(const fs::path& program, const fs::path& file) {
        int gate[2] = {-1, -1};
        if (::pipe(gate) != 0)
            return;
        shell = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "read go; " + program.string() + " " + file.string()},
            gate[0]);
        ::close(gate[0]);
        m_gate = gate[1];
    }
    ~GatedShell() {
        if (m_gate >= 0)
            ::close(m_gate);
    }
    void open() {
        if (::write(m_gate, "\n", 1) != 1)
            qWarning("the gate did not open");
        ::close(m_gate);
        m_gate = -1;
    }
    std::unique_ptr<ChildProcess> shell;

private:
    int m_gate = -1;
};

bool Listed(const quorvel::guard::ProcessGuard& engine, int pid) {
    const auto& table = engine.table();
    for (size_t slot = 0; slot < table.size(); ++slot) {
        if (table[slot].th32ProcessID == static_cast<uint32_t>(pid))
            return true;
    }
    return false;
}

// The programs a test runs beside the desktop (xwininfo, xprop, xmessage) are trusted, so
// that the guard lets them run.
void TrustTheTestsTools(const QTemporaryDir& data) {
    std::ofstream list(data.filePath("whitelist.db").toStdString(), std::ios::binary);
    list << "kenal|xwininfo xprop xmessage\r\n";
}

QPoint CentreOf(const QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
}

// A real click in the middle of a control.
bool Click(const QWidget* widget) {
    const QPoint at = CentreOf(widget);
    return ClickAt(at.x(), at.y());
}

// A real click on a control until it has done what it is for: on a loaded machine the
// window manager may still be placing the window when the first click comes.
bool ClickUntil(const QWidget* widget, const std::function<bool()>& done) {
    QPointer<const QWidget> target(widget);
    for (int attempt = 0; attempt < 4 && target; ++attempt) {
        QTest::qWait(200);
        if (!target || !Click(target))
            return done();
        if (QTest::qWaitFor(done, 1500))
            return true;
    }
    return done();
}

} // namespace

// The desktop program on a Data folder, shown, with its listings on a thread of their own
// as the program runs them.
struct RunningDesktop {
    explicit RunningDesktop(const QTemporaryDir& data)
        : platform(quorvel::platform::CreateNativePlatform()), context{platform,
                                                                       data.path().toStdString(),
                                                                       data.path().toStdString()},
          window(context) {
        window.listOnOwnThread(quorvel::platform::CreateNativePlatform().processes);
        window.StartUp();
        window.show();
    }

    quorvel::platform::Platform platform;
    quorvel::gui::AppContext context;
    quorvel::gui::frmUtama window;
};

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
        RunningDesktop desktop(data);
        auto& window = desktop.window;
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

    // With a window manager: while the password prompt is open, the main window is not on
    // the screen, and real clicks where its controls were reach nothing of it. Cancel
    // leaves nothing on the screen; the right password brings the window back.
    void theLoginLocksTheWindowAgainstRealClicks() {
        if (!WindowManagerRunning())
            QSKIP("no window manager (bash scripts/install-deps.sh installs openbox)");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10 * kSeconds);
        QTemporaryDir data;
        TrustTheTestsTools(data);
        {
            std::ofstream password(data.filePath("set.db").toStdString(), std::ios::binary);
            password << quorvel::access::EncodePassword("Pelor") << "\r\n";
        }
        RunningDesktop desktop(data);
        auto& window = desktop.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const uint64_t mainWindow = window.winId();
        QTRY_VERIFY(Viewable(mainWindow));
        auto* panels = window.findChild<QStackedWidget*>("stkPanels");
        QWidget* shownPanel = panels->currentWidget();
        std::vector<QPoint> buttons;
        for (int i = 0; i < quorvel::gui::frmUtama::kNavigationButtons; ++i)
            buttons.push_back(
                CentreOf(window.findChild<QPushButton*>(QString("cmdbutton_%1").arg(i))));

        window.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY_WITH_TIMEOUT(window.tray().InTray() && !window.isVisible(), 5 * kSeconds);
        window.mnutray().actions().first()->trigger(); // "&Open Window"
        quorvel::gui::frmLogin* login = window.login();
        QVERIFY(login);
        QVERIFY(QTest::qWaitForWindowExposed(login));
        QTRY_VERIFY(Viewable(login->winId()));
        QTest::qWait(300);
        QVERIFY2(!Viewable(mainWindow), "the main window is on the screen behind the prompt");

        const QRect prompt = login->frameGeometry().adjusted(-8, -30, 8, 8);
        int clicks = 0;
        for (const QPoint& at : buttons) {
            if (prompt.contains(at))
                continue;
            QVERIFY(ClickAt(at.x(), at.y()));
            ++clicks;
            QTest::qWait(100);
        }
        QVERIFY(clicks > 0);
        QTest::qWait(500);
        QVERIFY(!Viewable(mainWindow));
        QCOMPARE(panels->currentWidget(), shownPanel);
        for (int i = 0; i < quorvel::gui::frmUtama::kNavigationButtons; ++i)
            QCOMPARE(window.openedWindow(i), nullptr);
        QVERIFY(login->isVisible());

        QVERIFY(ClickUntil(login->findChild<QPushButton*>("cmdCancel"),
                           [&] { return !login->isVisible(); }));
        QTest::qWait(300);
        QVERIFY(!Viewable(mainWindow));
        QVERIFY(!Viewable(login->winId()));
        QVERIFY(window.tray().InTray());

        // The prompt's close box is Cancel too.
        window.openFromTray();
        QTRY_VERIFY(Viewable(login->winId()));
        QTest::qWait(300);
        const QRect frame = login->frameGeometry();
        QVERIFY(ClickAt(frame.right() - 10, frame.top() + 10));
        QTRY_VERIFY(!login->isVisible());
        QTest::qWait(300);
        QVERIFY(!Viewable(mainWindow));
        QVERIFY(window.tray().InTray());

        window.openFromTray();
        QTRY_VERIFY(Viewable(login->winId()));
        login->findChild<QLineEdit*>("txtPassword")->setText("Pelor");
        QVERIFY(ClickUntil(login->findChild<QPushButton*>("cmd_login"),
                           [&] { return !login->isVisible(); }));
        QTRY_VERIFY_WITH_TIMEOUT(Viewable(mainWindow), 5 * kSeconds);
        QVERIFY(!login->isVisible());
        QVERIFY(!window.tray().InTray());

        QVERIFY(window.close());
        QVERIFY(window.exited());
    }

    // With a window manager: a manager that reports the folded window restored while it
    // is withdrawn (seen now and then under load) must not keep the window from coming back
    // after the password: it once mapped iconic and folded straight back into the tray.
    void theWindowComesBackThoughTheManagerReportedItRestoredInTheTray() {
        if (!WindowManagerRunning())
            QSKIP("no window manager (bash scripts/install-deps.sh installs openbox)");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10 * kSeconds);
        QTemporaryDir data;
        TrustTheTestsTools(data);
        auto platform = quorvel::platform::CreateNativePlatform();
        quorvel::gui::AppContext context{platform, data.path().toStdString(),
                                         data.path().toStdString()};
        quorvel::gui::frmUtama window(context);
        window.StartUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(Viewable(window.winId()));

        window.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY_WITH_TIMEOUT(window.tray().InTray() && !window.isVisible(), 5 * kSeconds);
        QTest::qWait(300);
        // The manager's notices of the iconify, read after it has let the window go.
        constexpr long kIconic = 3;
        constexpr long kNormal = 1;
        QVERIFY(SetManagerState(window.winId(), kIconic, true));
        QTest::qWait(300);
        QVERIFY(window.isMinimized());
        QVERIFY(SetManagerState(window.winId(), kNormal, false));
        QTRY_VERIFY_WITH_TIMEOUT(!window.isMinimized(), 5 * kSeconds);
        QVERIFY(!window.isVisible());
        QVERIFY(window.tray().InTray());

        window.openFromTray();
        emit window.login()->passwordAccepted();
        QTRY_VERIFY_WITH_TIMEOUT(Viewable(window.winId()), 5 * kSeconds);
        QTest::qWait(500);
        QVERIFY2(Viewable(window.winId()), "the window folded back into the tray");
        QVERIFY(!window.isMinimized());
        QVERIFY(!window.tray().InTray());

        QVERIFY(window.close());
        QVERIFY(window.exited());
    }

    // With a window manager: clearing the desktop before an alert minimises another
    // program's window but none of ours; two alerts stand stacked apart, and a Block
    // (which clears the desktop again) leaves the other alert on the screen.
    void clearingTheDesktopLeavesTheAlertsOnTheScreen() {
        if (!WindowManagerRunning())
            QSKIP("no window manager (bash scripts/install-deps.sh installs openbox)");
        QTemporaryDir data;
        TrustTheTestsTools(data);
        RunningDesktop desktop(data);
        auto& window = desktop.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto& engine = window.engine();

        QProcess other;
        other.start("xmessage", {"-geometry", "+20+20", "another program"});
        QVERIFY(other.waitForStarted());
        uint64_t otherWindow = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                auto listed = desktop.platform.windows->ListTopLevelWindows();
                if (!listed)
                    return false;
                for (const auto& w : listed.value()) {
                    if (w.title == "xmessage" && w.onScreen)
                        otherWindow = w.id;
                }
                return otherWindow != 0;
            }(),
            10 * kSeconds);

        // Seen by a pass of its own: a trusted program ends the pass it is new in, and a
        // program new beside it would never be judged.
        QTRY_VERIFY_WITH_TIMEOUT(Listed(engine, static_cast<int>(other.processId())),
                                 10 * kSeconds);
        ChildProcess first({"/bin/sleep", "300"});
        QTRY_VERIFY_WITH_TIMEOUT(engine.openAlerts().size() == 1, 10 * kSeconds);
        ChildProcess second({"/usr/bin/tail", "-f", "/dev/null"});
        QTRY_VERIFY_WITH_TIMEOUT(engine.openAlerts().size() == 2, 10 * kSeconds);
        auto firstAlert = engine.openAlerts()[0];
        auto secondAlert = engine.openAlerts()[1];
        frmAlert* firstWindow = window.alertWindow(*firstAlert);
        frmAlert* secondWindow = window.alertWindow(*secondAlert);
        QVERIFY(firstWindow && secondWindow);
        QTRY_VERIFY(Viewable(firstWindow->winId()) && Viewable(secondWindow->winId()));
        QTRY_VERIFY_WITH_TIMEOUT(!Viewable(otherWindow), 5 * kSeconds);
        QVERIFY(Viewable(window.winId()));
        const QPoint apart =
            secondWindow->frameGeometry().topLeft() - firstWindow->frameGeometry().topLeft();
        QCOMPARE(apart, QPoint(quorvel::guard::kAlertStackStep, quorvel::guard::kAlertStackStep));

        // A real click on the second alert's Block: the desktop is cleared again.
        QVERIFY(ClickUntil(secondWindow->findChild<QPushButton*>("uc7Block"),
                           [&] { return secondAlert->answered(); }));
        QTest::qWait(500);
        QVERIFY(!firstAlert->answered());
        QVERIFY(Viewable(firstWindow->winId()));
        QVERIFY(ClickUntil(firstWindow->findChild<QPushButton*>("uc7Allow"),
                           [&] { return firstAlert->answered(); }));

        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(window.close());
        QVERIFY(window.exited());
        first.KillAndReap();
        second.KillAndReap();
        other.kill(); // by the PID QProcess holds
        other.waitForFinished();
    }

    // With a window manager, many alerts at once: minimising the main window into the tray,
    // real clicks on the alerts' close boxes, the windows list opened and left with
    // "Exit", and answers to some of them leave every other alert on the screen.
    void manyAlertsStayOnTheScreenUnderAWindowManager() {
        if (!WindowManagerRunning())
            QSKIP("no window manager (bash scripts/install-deps.sh installs openbox)");
        QTemporaryDir data;
        TrustTheTestsTools(data);
        RunningDesktop desktop(data);
        auto& window = desktop.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto& engine = window.engine();

        constexpr size_t kAlerts = 6;
        std::vector<std::unique_ptr<ChildProcess>> held;
        for (size_t i = 0; i < kAlerts; ++i) {
            held.push_back(std::make_unique<ChildProcess>(
                std::vector<std::string>{"/bin/sleep", std::to_string(300 + i)}));
            QTRY_VERIFY_WITH_TIMEOUT(engine.openAlerts().size() == i + 1, 10 * kSeconds);
        }
        const auto alerts = engine.openAlerts();
        const auto onScreen = [&] {
            for (const auto& alert : alerts) {
                if (alert->answered())
                    continue;
                frmAlert* shown = window.alertWindow(*alert);
                if (!shown || !Viewable(shown->winId()))
                    return false;
            }
            return true;
        };
        QTRY_VERIFY(onScreen());

        for (int round = 0; round < 3; ++round) {
            window.setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY_WITH_TIMEOUT(window.tray().InTray(), 5 * kSeconds);
            QTest::qWait(300);
            QVERIFY2(onScreen(), "an alert went with the main window");

            for (const auto& alert : alerts) {
                frmAlert* shown = alert->answered() ? nullptr : window.alertWindow(*alert);
                if (!shown)
                    continue;
                const QRect frame = shown->frameGeometry();
                QVERIFY(ClickAt(frame.right() - 10, frame.top() + 10)); // the close box
                QTest::qWait(100);
            }
            QTest::qWait(300);
            QVERIFY2(onScreen(), "an alert went after a click on a close box");

            // The countdowns answer alerts too: the first still open is listed and blocked.
            const auto open = std::find_if(alerts.begin(), alerts.end(),
                                           [](const auto& a) { return !a->answered(); });
            if (open == alerts.end())
                break;
            const auto target = *open;
            QPointer<frmAlert> listed = window.alertWindow(*target);
            QVERIFY(listed);
            // The stack's next alert covers most of this one: a click on its title raises it.
            const QRect title = listed->frameGeometry();
            QVERIFY(ClickAt(title.left() + title.width() / 3, title.top() + 8));
            const auto listShown = [] {
                return quorvel::gui::frmWindows::instance() &&
                       Viewable(quorvel::gui::frmWindows::instance()->winId());
            };
            if (!listed || !ClickUntil(listed->findChild<QLabel*>("lblListWin"), listShown))
                continue; // its countdown answered it meanwhile
            QVERIFY(
                ClickUntil(quorvel::gui::frmWindows::instance()->findChild<QPushButton*>("uc7Exit"),
                           [] { return !quorvel::gui::frmWindows::instance(); }));
            QTest::qWait(300);
            QVERIFY2(onScreen(), "an alert went after Exit on the windows list");

            window.openFromTray();
            emit window.login()->passwordAccepted();
            QTRY_VERIFY(Viewable(window.winId()));
            if (!listed)
                continue;
            QVERIFY(ClickAt(title.left() + title.width() / 3, title.top() + 8));
            QVERIFY(ClickUntil(listed->findChild<QPushButton*>("uc7Block"),
                               [&] { return target->answered(); }));
            QTest::qWait(300);
            QVERIFY2(onScreen(), "an alert went after another was blocked");
        }
        for (const auto& alert : alerts) {
            if (!alert->answered())
                alert->Allow();
        }
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(window.close());
        for (auto& child : held)
            child->KillAndReap();
    }

    // With exec events the desktop holds an unknown program before its first instruction,
    // and lets a whitelisted one go on while the window's thread is busy.
    void execEventsHoldBeforeTheFirstInstruction() {
        ExecMount mount;
        QVERIFY(mount.mounted);
        QTemporaryDir data;
        {
            std::ofstream list(data.filePath("whitelist.db").toStdString(), std::ios::binary);
            list << "kenal|dash bash trusted\r\n";
        }
        auto platform = quorvel::platform::CreateNativePlatform();
        quorvel::gui::AppContext context{platform, data.path().toStdString(),
                                         data.path().toStdString()};
        quorvel::gui::frmUtama window(context);
        window.listOnOwnThread(quorvel::platform::CreateNativePlatform().processes);
        quorvel::platform::ExecEventsOptions options;
        options.mountPoints = {mount.path.string()};
        options.noProcConnector = true;
        window.useExecEvents(options);
        window.StartUp();
        window.show();
        auto& engine = window.engine();
        const QString source = QString::fromStdString(engine.EventSourceText());
        if (!source.contains("fanotify"))
            QSKIP(qPrintable("no fanotify here: " + source));
        auto* log = window.findChild<QListWidget*>("Loglist");
        QVERIFY(!log->findItems("New programs by " + source, Qt::MatchExactly).isEmpty());

        // The events' own thread answers a whitelisted exec: this thread sleeps meanwhile.
        const fs::path trustedMade = mount.path / "trusted-made";
        GatedShell trusted(mount.path / "trusted", trustedMade);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(engine, trusted.shell->pid()), 10 * kSeconds);
        trusted.open();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(trustedMade) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(milliseconds(10));
        QVERIFY(fs::exists(trustedMade));
        QCOMPARE(trusted.shell->WaitForExit(milliseconds(10 * kSeconds)), 0);

        // An unknown one has not run while its alert is open, and runs after Allow.
        const fs::path made = mount.path / "made";
        GatedShell unknown(mount.path / "maker", made);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(engine, unknown.shell->pid()), 10 * kSeconds);
        unknown.open();
        QTRY_VERIFY_WITH_TIMEOUT(!engine.openAlerts().empty(), 10 * kSeconds);
        auto alert = engine.openAlerts().front();
        QCOMPARE(alert->info().name, std::string("maker"));
        QCOMPARE(alert->info().path, (mount.path / "maker").string());
        frmAlert* alertWindow = window.alertWindow(*alert);
        QVERIFY(alertWindow);
        QTRY_VERIFY(alertWindow->isVisible());
        QTest::qWait(300); // long enough for a program let go too early to make its file
        QVERIFY(!fs::exists(made));
        if (auto* allow = alertWindow->findChild<QAbstractButton*>("uc7Allow"))
            QTest::mouseClick(allow, Qt::LeftButton);
        else
            alert->Allow();
        QVERIFY(alert->answered());
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(made), 10 * kSeconds);
        QCOMPARE(unknown.shell->WaitForExit(milliseconds(10 * kSeconds)), 0);

        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(window.close());
        QVERIFY(window.exited());
    }
};

QTEST_MAIN(DesktopEndToEnd)
#include "Desktop_e2e.moc"
