// The main window over the real guard engine with scripted processes.
#include "access/Password.h"
#include "guard/AlertPlacement.h"
#include "gui/MessageBox.h"
#include "gui/cSysTray.h"
#include "gui/frmAlert.h"
#include "gui/frmLogin.h"
#include "gui/frmTrayMsg.h"
#include "gui/frmWindows.h"
#include "gui/support/GuiFixtures.h"
#include "gui/support/MainWindowRig.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <set>
#include <utility>

using quorvel::gui::frmAlert;
using quorvel::gui::MessageBox;
using quorvel::gui::testing::MainWindowRig;
using quorvel::gui::testing::settle;

namespace {

QString LastMessage() {
    const auto& shown = MessageBox::shown();
    return shown.isEmpty() ? QString() : shown.last().title + "|" + shown.last().text;
}

QString CurrentPanel(const MainWindowRig& rig) {
    return rig.find<QStackedWidget>("stkPanels")->currentWidget()->objectName();
}

void Select(const MainWindowRig& rig, const QString& list, const QString& text) {
    auto* view = rig.find<QListWidget>(list);
    const auto found = view->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    view->setCurrentItem(found.first());
    emit view->itemClicked(found.first());
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        quorvel::gui::cSysTray::setAvailableForTest(std::nullopt);
    }

    void startUpShowsListsModeAndRunningGuardWithoutJudging() {
        MainWindowRig rig;
        rig.writeDataFile("whitelist.db", "kenal|a.exe\r\nkenal|b.exe\r\n");
        rig.writeDataFile("blacklist.db", "kenal|bad.exe\r\n");
        rig.writeDataFile("main.ini", "[QUORVEL]\r001-0\r002-1\r003-0\r004-1\r005-0\r");
        rig.start({"init", "unknown.exe", "other.exe"});

        QCOMPARE(rig.window->windowTitle(), QString("Quorvel 1.5 52"));
        QCOMPARE(rig.text("lblmachine"), QString("64 Bit machine"));
        QCOMPARE(rig.items("List3"), QStringList({"a.exe", "b.exe"}));
        QCOMPARE(rig.text("lbltrustedcount_8"), QString("2"));
        QCOMPARE(rig.text("lblcopywhite"), QString("2"));
        QCOMPARE(rig.text("lblblackcount_0"), QString("1"));
        QCOMPARE(rig.text("lblcopyblack"), QString("1"));
        QCOMPARE(rig.text("lblmode"), QString("Just Notify"));
        QCOMPARE(rig.text("lblregmon"), QString("On"));
        QVERIFY(rig.find<QCheckBox>("chkjustwarnme")->isChecked());
        QVERIFY(rig.window->engine().modes().justNotify());

        // Already running: recorded, never judged.
        QVERIFY(rig.window->engine().openAlerts().empty());
        QCOMPARE(rig.text("lbltotaldetect"), QString("0"));
        QCOMPARE(rig.text("lblaktifproses"), QString("3"));
        QCOMPARE(rig.text("lblProcRun"), QString("3"));
        QCOMPARE(rig.items("List1").size(), 3);
        QVERIFY(rig.items("List1").at(1).endsWith("=unknown.exe"));

        QCOMPARE(rig.text("lblMonitor"), QString("ON"));
        QCOMPARE(rig.find<QPushButton>("uc7Monitor")->text(), QString("Stop Quorvel"));
        QVERIFY(rig.window->tmrProcRef().isActive());
        QCOMPARE(rig.window->tmrProcRef().interval(), 250);
        QCOMPARE(CurrentPanel(rig), QString("MainFrame"));
        QVERIFY(!rig.window->tray().InTray());
    }

    void navigation_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("panel");  // shown in the main window
        QTest::addColumn<QString>("window"); // or opened beside it
        QTest::newRow("Overview") << 0 << "MainFrame"
                                  << "";
        QTest::newRow("Process Log") << 1 << "frLog"
                                     << "";
        QTest::newRow("Reg Quorvel") << 2 << ""
                                     << "frmRegedit";
        QTest::newRow("Settings") << 3 << "frSettings"
                                  << "";
        QTest::newRow("Change Password") << 4 << ""
                                         << "frmChangePass";
        QTest::newRow("About") << 5 << ""
                               << "frmAbout";
        QTest::newRow("Check For Updates") << 6 << ""
                                           << "frmCekUpdates";
        QTest::newRow("Manage Processes") << 7 << "frProses"
                                          << "";
        QTest::newRow("Analyze") << 8 << ""
                                 << "frmAnalyze";
        QTest::newRow("Blocked Process") << 9 << "frBlocked"
                                         << "";
        QTest::newRow("Configure Blacklist") << 10 << "frBlack"
                                             << "";
        QTest::newRow("Configure Whitelist") << 11 << "frWhite"
                                             << "";
    }

    void navigation() {
        QFETCH(int, index);
        QFETCH(QString, panel);
        QFETCH(QString, window);
        MainWindowRig rig;
        rig.start();
        rig.click("cmdbutton_3"); // away from the overview first
        if (index != 3)
            rig.click(QString("cmdbutton_%1").arg(index));
        if (!panel.isEmpty()) {
            QCOMPARE(CurrentPanel(rig), panel);
            QVERIFY(rig.find<QWidget>(panel)->isVisible());
            QCOMPARE(rig.window->openedWindow(index), nullptr);
            return;
        }
        QCOMPARE(CurrentPanel(rig), QString("frSettings")); // a window leaves the panel
        QWidget* opened = rig.window->openedWindow(index);
        QVERIFY(opened);
        QCOMPARE(opened->objectName(), window);
        QVERIFY(opened->isVisible());
        QVERIFY(opened->isWindow());
        QVERIFY(!opened->isModal());
        // One instance: a second click shows the same window.
        rig.click(QString("cmdbutton_%1").arg(index));
        QCOMPARE(rig.window->openedWindow(index), opened);
        QCOMPARE(rig.window->findChildren<QWidget*>(window).size(), 1);
        // Closed, it is unloaded (the update window once its check has stopped); the next
        // click loads a new one.
        opened->close();
        settle();
        QTRY_COMPARE(rig.window->openedWindow(index), nullptr);
    }

    void scanButtonShowsScanPanelAndBackToHomeLeavesTheDetails() {
        MainWindowRig rig;
        rig.start();
        rig.click("cmdclamscan");
        QCOMPARE(CurrentPanel(rig), QString("frVirusScan"));

        auto alert = rig.hold("held.exe");
        QVERIFY(alert);
        alert->Block();
        settle();
        rig.click("cmdbutton_9");
        Select(rig, "List2", "held.exe");
        rig.click("uc7MoreInfoJail");
        QCOMPARE(CurrentPanel(rig), QString("frmMain_4"));
        rig.click("cmdback");
        QCOMPARE(CurrentPanel(rig), QString("MainFrame"));
    }

    void countersFollowAllowBlockAndKill() {
        MainWindowRig rig;
        rig.start();

        auto allowed = rig.hold("a.exe");
        QVERIFY(allowed);
        QPointer<frmAlert> allowedWindow = rig.window->alertWindow(*allowed);
        QVERIFY(allowedWindow);
        QVERIFY(allowedWindow->isVisible());
        QCOMPARE(&allowedWindow->alert(), allowed.get());
        QCOMPARE(rig.text("lbltotaldetect"), QString("1"));
        // The first line names where the guard learns of new programs.
        QCOMPARE(rig.items("Loglist").size(), 2);
        QCOMPARE(rig.items("Loglist").at(0), QString("New programs by timer only"));
        QVERIFY(rig.items("Loglist").at(1).endsWith(" - /opt/a.exe"));
        allowed->Allow();
        settle();
        QVERIFY(!allowedWindow);
        QCOMPARE(rig.processes->calls.back(), std::string("resume a.exe"));
        QCOMPARE(rig.text("Label41"), QString("0"));

        // Two alerts at once, each its own window.
        auto blocked = rig.hold("b.exe");
        auto killed = rig.hold("c.exe");
        QVERIFY(blocked && killed);
        QCOMPARE(quorvel::gui::testing::VisibleWindows("frmAlert").size(), size_t{2});
        QCOMPARE(rig.text("lbltotaldetect"), QString("3"));
        blocked->Block();
        settle();
        QCOMPARE(rig.text("Label41"), QString("1"));
        QCOMPARE(rig.text("lblblocked_1"), QString("1"));
        QCOMPARE(rig.text("lbllastblok"), QString("b.exe"));
        QCOMPARE(rig.items("List2"), QStringList({"b.exe"}));
        killed->KillNow();
        settle();
        QCOMPARE(rig.processes->calls.back(), std::string("kill c.exe"));
        QCOMPARE(rig.text("Label41"), QString("1"));
        QCOMPARE(rig.text("lbltotaldetect"), QString("3"));
        QCOMPARE(quorvel::gui::testing::VisibleWindows("frmAlert").size(), size_t{0});
        QCOMPARE(rig.items("Loglist").size(), 4);
    }

    void justNotifyShowsThePopup() {
        MainWindowRig rig;
        rig.start();
        QTest::mouseClick(rig.find<QCheckBox>("chkjustwarnme"), Qt::LeftButton);
        rig.processes->Start("new.exe");
        rig.window->engine().Tick();
        QWidget* popup = quorvel::gui::frmTrayMsg::instance();
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QVERIFY(rig.window->engine().openAlerts().empty());
        popup->close();
        settle();
    }

    void exitQuestion_data() {
        QTest::addColumn<int>("blocked");
        QTest::addColumn<bool>("yes");
        QTest::newRow("only an open alert, Yes") << 0 << true;
        QTest::newRow("one blocked, Yes") << 1 << true;
        QTest::newRow("two blocked, Yes") << 2 << true;
        QTest::newRow("two blocked, No") << 2 << false;
    }

    void exitQuestion() {
        QFETCH(int, blocked);
        QFETCH(bool, yes);
        MainWindowRig rig;
        rig.start();
        for (int i = 0; i < blocked; ++i)
            rig.hold("held" + std::to_string(i) + ".exe")->Block();
        auto stillOpen = rig.hold("open.exe"); // the close blocks it first
        settle();
        MessageBox::clearShown();
        MessageBox::setNextAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
        QSignalSpy ended(rig.window.get(), &quorvel::gui::frmUtama::programEnded);
        rig.processes->calls.clear();

        QVERIFY(rig.window->close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(stillOpen->answered());
        QVERIFY(!rig.window->tmrProcRef().isActive());
        QCOMPARE(MessageBox::shown().size(), 1);
        const int n = blocked + 1;
        QCOMPARE(LastMessage(), QString("Exit|You have %1 Blocked processes. Do you want to "
                                        "resume these processes and exit?")
                                    .arg(n));
        int resumed = 0;
        for (const auto& call : rig.processes->calls)
            resumed += call.rfind("resume ", 0) == 0 ? 1 : 0;
        QCOMPARE(resumed, yes ? n : 0);
        settle();
    }

    void exitWithEmptyJailAsksNothing() {
        MainWindowRig rig;
        rig.start();
        QSignalSpy ended(rig.window.get(), &quorvel::gui::frmUtama::programEnded);
        QVERIFY(rig.window->close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void trustListPages_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("add");
        QTest::addColumn<QString>("remove");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("copy");
        QTest::newRow("whitelist") << "whitelist.db"
                                   << "List3"
                                   << "Text1"
                                   << "cmdaddwhite"
                                   << "cmdremovewhite"
                                   << "lbltrustedcount_8"
                                   << "lblcopywhite";
        QTest::newRow("blacklist") << "blacklist.db"
                                   << "listblack"
                                   << "Text2"
                                   << "cmdaddblack"
                                   << "cmdremoveblack"
                                   << "lblblackcount_0"
                                   << "lblcopyblack";
    }

    void trustListPages() {
        QFETCH(QString, file);
        QFETCH(QString, list);
        QFETCH(QString, edit);
        QFETCH(QString, add);
        QFETCH(QString, remove);
        QFETCH(QString, count);
        QFETCH(QString, copy);
        MainWindowRig rig;
        rig.writeDataFile(file, "kenal|old.exe\r\n");
        rig.start();
        QCOMPARE(rig.find<QLineEdit>(edit)->text(), QString(".sample.exe"));

        rig.find<QLineEdit>(edit)->setText("new.exe");
        rig.click(add);
        QCOMPARE(LastMessage(), QString("Quorvel|Saved"));
        QCOMPARE(MessageBox::shown().last().icon, QMessageBox::Information);
        QCOMPARE(rig.items(list), QStringList({"old.exe", "new.exe"}));
        QCOMPARE(rig.text(count), QString("2"));
        QCOMPARE(rig.text(copy), QString("2"));
        QCOMPARE(rig.readDataFile(file), QByteArray("kenal|old.exe\r\nkenal|new.exe\r\n"));

        Select(rig, list, "old.exe");
        rig.click(remove);
        QCOMPARE(LastMessage(),
                 QString("Quorvel|Removed..you must restart application for apply changes"));
        QCOMPARE(rig.readDataFile(file), QByteArray("kenal|new.exe\r\n"));
        QCOMPARE(rig.items(list), QStringList({"old.exe", "new.exe"})); // until the next start

        // A file that cannot be written: the store's critical error, nothing shown as saved.
        QVERIFY(QFile::remove(rig.dataPath(file)));
        QVERIFY(QDir().mkdir(rig.dataPath(file)));
        rig.find<QLineEdit>(edit)->setText("lost.exe");
        rig.click(add);
        QCOMPARE(MessageBox::shown().last().icon, QMessageBox::Critical);
        QVERIFY(!rig.items(list).contains("lost.exe"));
        QCOMPARE(rig.text(count), QString("1")); // old.exe is removed, though still listed
        Select(rig, list, "new.exe");
        rig.click(remove);
        QCOMPARE(MessageBox::shown().last().icon, QMessageBox::Critical);
    }

    // The count beside the list is what the limit counts, so a refusal for a full list
    // never stands beside a count above the limit (a name added twice shows twice).
    void theListCountAgreesWithTheLimitsRefusal() {
        MainWindowRig rig;
        QByteArray names;
        for (int i = 1; i <= 199; ++i)
            names += "kenal|p" + QByteArray::number(i) + ".exe\r\n";
        rig.writeDataFile("whitelist.db", names);
        rig.start();
        for (const char* name : {"p1.exe", "new.exe", "more.exe"}) {
            rig.find<QLineEdit>("Text1")->setText(name);
            rig.click("cmdaddwhite");
        }
        QVERIFY(LastMessage().contains("holds 200 names at most"));
        QCOMPARE(rig.items("List3").size(), 201); // p1.exe twice
        QCOMPARE(rig.text("lbltrustedcount_8"), QString("200"));
        QCOMPARE(rig.text("lblcopywhite"), QString("200"));

        // A name the file cannot hold is refused, and the count stays.
        Select(rig, "List3", "p2.exe");
        rig.click("cmdremovewhite");
        rig.find<QLineEdit>("Text1")->setText("a,b.exe");
        rig.click("cmdaddwhite");
        QVERIFY(LastMessage().contains("can't hold"));
        QCOMPARE(rig.text("lbltrustedcount_8"), QString("199"));
    }

    void settingsSaveWritesMainIniAndAppliesTheLabels() {
        MainWindowRig rig;
        rig.start();
        QCOMPARE(rig.text("lblmode"), QString("Alert - Default"));
        QTest::mouseClick(rig.find<QCheckBox>("chkauto"), Qt::LeftButton);
        QTest::mouseClick(rig.find<QCheckBox>("chkregquorvel"), Qt::LeftButton);
        QVERIFY(rig.window->engine().modes().antiExe()); // at once, before Save
        // The other mode springs back while Anti Exe Mode is on.
        QTest::mouseClick(rig.find<QCheckBox>("chkjustwarnme"), Qt::LeftButton);
        QVERIFY(!rig.find<QCheckBox>("chkjustwarnme")->isChecked());
        QVERIFY(!rig.window->engine().modes().justNotify());
        // The Mode label names the mode the guard acts on, before Save too.
        QCOMPARE(rig.text("lblmode"), QString("Anti Executable"));
        QCOMPARE(rig.text("lblregmon"), QString("Off")); // the others change on Save

        rig.click("cmdsaveset");
        QCOMPARE(LastMessage(),
                 QString("Quorvel|Please Restart Application for apply all changes"));
        QCOMPARE(rig.readDataFile("main.ini"),
                 QByteArray("[QUORVEL]\r001-0\r002-0\r003-0\r004-1\r005-1\r"));
        QCOMPARE(rig.text("lblmode"), QString("Anti Executable"));
        QCOMPARE(rig.text("lblregmon"), QString("On"));

        // A new process in Anti Exe Mode is killed without an alert.
        rig.processes->Start("x.exe");
        rig.window->engine().Tick();
        QCOMPARE(rig.processes->calls.back(), std::string("kill x.exe"));
    }

    void guardControls() {
        MainWindowRig rig;
        rig.start();
        auto* interval = rig.find<QLineEdit>("txtProcRef");
        interval->setText("1.5");
        rig.click("uc7Interval");
        QCOMPARE(rig.window->tmrProcRef().interval(), 1500);
        QVERIFY(rig.window->tmrProcRef().isActive());

        rig.click("uc7Monitor");
        QCOMPARE(rig.text("lblMonitor"), QString("OFF"));
        QCOMPARE(rig.find<QPushButton>("uc7Monitor")->text(), QString("Start Quorvel"));
        QVERIFY(!rig.window->tmrProcRef().isActive());
        rig.click("uc7Monitor");
        QCOMPARE(rig.text("lblMonitor"), QString("ON"));
        QVERIFY(rig.window->tmrProcRef().isActive());

        // A text that is no period is told, and the box shows the period in effect again,
        // whether "Set Interval" or "Start" read it.
        interval->setText("abc");
        rig.click("uc7Interval");
        QCOMPARE(LastMessage(),
                 QString("Quorvel|Invalid interval,enter seconds between 0.001 and 65.535"));
        QCOMPARE(interval->text(), QString("1.5"));
        QCOMPARE(rig.window->tmrProcRef().interval(), 1500);
        rig.click("uc7Monitor");
        interval->setText("abc");
        MessageBox::clearShown();
        rig.click("uc7Monitor");
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(interval->text(), QString("1.5"));
        QCOMPARE(rig.text("lblMonitor"), QString("ON"));

        interval->setText("");
        rig.click("uc7Interval"); // blank stops
        QCOMPARE(rig.text("lblMonitor"), QString("OFF"));
        QVERIFY(!rig.window->tmrProcRef().isActive());

        // The timer drives the ticks on this thread.
        interval->setText("0.05");
        rig.click("uc7Monitor");
        rig.processes->Start("timed.exe");
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->engine().openAlerts().empty(), 10000);
        rig.window->engine().openAlerts().front()->Allow();
        settle();
    }

    void processPanelListsModulesAndKills() {
        MainWindowRig rig;
        rig.start({"init", "target.exe"});
        const auto pid = rig.processes->PidOf("target.exe");
        const QString line = QString("%1=target.exe").arg(pid);
        QVERIFY(rig.items("List1").contains(line));
        Select(rig, "List1", line);
        QCOMPARE(rig.text("lblmodulecount"), QString::number(rig.items("lstModule").size()));
        QVERIFY(rig.items("lstModule").size() >= 1);
        rig.click("cmdkill");
        QCOMPARE(rig.processes->calls.back(), std::string("kill target.exe"));
        // Nothing selected: nothing happens.
        rig.find<QListWidget>("List1")->setCurrentItem(nullptr);
        rig.processes->calls.clear();
        rig.click("cmdkill");
        QVERIFY(rig.processes->calls.empty());

        // The program's own process: refused, saying why; nothing is killed.
        rig.processes->selfPid = rig.processes->PidOf("init");
        const QString self = QString::number(rig.processes->selfPid) + "=";
        const QStringList lines = rig.items("List1");
        const auto own = std::find_if(lines.begin(), lines.end(),
                                      [&](const QString& l) { return l.startsWith(self); });
        QVERIFY(own != lines.end());
        Select(rig, "List1", *own);
        rig.processes->calls.clear();
        rig.click("cmdkill");
        QVERIFY(rig.processes->calls.empty());
        QVERIFY(LastMessage().contains("can't kill itself"));
        QCOMPARE(MessageBox::shown().last().icon, QMessageBox::Warning);
    }

    void blockedPageSelectionMoreInfoAndUnblock() {
        MainWindowRig rig;
        rig.start();
        rig.click("uc7Unblock");
        QCOMPARE(LastMessage(), QString("Quorvel|select a Process first"));
        rig.click("uc7MoreInfoJail");
        QCOMPARE(LastMessage(), QString("Quorvel|Please select a Process"));
        QCOMPARE(MessageBox::shown().last().icon, QMessageBox::Warning);

        auto alert = rig.hold("jailed.exe");
        alert->Block();
        settle();
        const auto pid = rig.processes->PidOf("jailed.exe");
        Select(rig, "List2", "jailed.exe");
        QCOMPARE(rig.text("lbljailPID"), QString::number(pid));
        QCOMPARE(rig.text("lblPrevAttempts"), QString("1"));
        QCOMPARE(rig.text("lblTime"), QString("14:05:09"));

        rig.click("uc7MoreInfoJail");
        QCOMPARE(rig.text("lblProcName"), QString("jailed.exe"));
        QCOMPARE(rig.text("lblProcIDs"), QString::number(pid));
        QCOMPARE(rig.text("lblLastAct"), QString("Blocked"));
        QVERIFY(rig.find<QLabel>("lblLastAct")->styleSheet().contains("#c00000"));
        QCOMPARE(rig.text("lblAccessAttempts"), QString("1"));

        rig.click("cmdbutton_9");
        Select(rig, "List2", "jailed.exe");
        rig.processes->calls.clear();
        rig.click("uc7Unblock");
        QCOMPARE(rig.processes->calls, std::vector<std::string>({"resume jailed.exe"}));
        QVERIFY(rig.items("List2").isEmpty());
        QCOMPARE(rig.text("lblblocked_1"), QString("0"));
        QCOMPARE(rig.text("Label41"), QString("0"));
        QCOMPARE(rig.text("lbljailPID"), QString("N/A"));
    }

    void durationsFromTheAlertWindowAndForgetting() {
        MainWindowRig rig;
        rig.start();
        const auto answer = [&](const char* name, int choice, const char* button) {
            auto alert = rig.hold(name);
            QVERIFY(alert);
            QPointer<frmAlert> window = rig.window->alertWindow(*alert);
            QVERIFY(window);
            window->findChild<QComboBox*>("cboDuration")->setCurrentIndex(choice);
            QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
            settle();
        };

        answer("a.exe", 1, "uc7Allow");
        answer("b.exe", 1, "uc7Block");
        QCOMPARE(rig.items("lstRemembered"), QStringList({"a.exe - Allow until Quorvel exits",
                                                          "b.exe - Block until Quorvel exits"}));
        QVERIFY(!rig.hold("a.exe")); // no alert: resumed at once
        QVERIFY(!rig.hold("b.exe")); // no alert: held and jailed
        QCOMPARE(rig.text("lblblocked_1"), QString("2"));
        QCOMPARE(rig.items("List2"), QStringList({"b.exe"}));

        // "Always" adds through the list page's own command, and the page shows it at once.
        answer("c.exe", 2, "uc7Block");
        QCOMPARE(LastMessage(), QString("Quorvel|Saved"));
        QCOMPARE(rig.items("listblack"), QStringList({"c.exe"}));
        QCOMPARE(rig.text("lblblackcount_0"), QString("1"));
        QCOMPARE(rig.readDataFile("blacklist.db"), QByteArray("kenal|c.exe\r\n"));

        rig.click("cmdForget");
        QCOMPARE(LastMessage(), QString("Quorvel|select a Process first"));
        Select(rig, "lstRemembered", "a.exe - Allow until Quorvel exits");
        rig.click("cmdForget");
        QCOMPARE(rig.items("lstRemembered"), QStringList({"b.exe - Block until Quorvel exits"}));
        QVERIFY(rig.hold("a.exe")); // asked again
    }

    void minimisingHidesIntoTheTrayAndOpenWindowGoesThroughLogin() {
        quorvel::gui::cSysTray::setAvailableForTest(true);
        MainWindowRig rig;
        rig.start();
        auto& tray = rig.window->tray();
        QCOMPARE(tray.TrayTip(), QString("Quorvel 1.5"));
        QStringList menu;
        for (QAction* action : rig.window->mnutray().actions())
            menu << (action->isSeparator() ? QString("-") : action->text());
        QCOMPARE(menu, QStringList({"&Open Window", "-", "Check For Updates", "About"}));

        rig.window->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!rig.window->isVisible());
        QVERIFY(tray.InTray());
        QCOMPARE(tray.addCount(), 1);
        tray.setInTray(true); // the same value again changes nothing
        QCOMPARE(tray.addCount(), 1);

        rig.window->openFromTray();
        QVERIFY(!tray.InTray());
        auto* login = rig.window->login();
        QVERIFY(login && login->isVisible());
        emit login->cancelled();
        QVERIFY(tray.InTray());
        QCOMPARE(tray.addCount(), 2);
        rig.window->openFromTray();
        QCOMPARE(rig.window->login(), login); // the one login window
        emit login->passwordAccepted();
        QVERIFY(rig.window->isVisible());
        QVERIFY(!rig.window->isMinimized());

        emit tray.doubleClicked();
        QVERIFY(rig.window->openedWindow(5) && rig.window->openedWindow(5)->isVisible());
    }

    // Behind the password nothing of the main window is shown or takes input: neither the
    // window itself nor the tools it opened. Cancel and the prompt's close box leave it all
    // in the tray; the right password brings it all back.
    void theLoginLocksTheMainWindowAndItsTools() {
        quorvel::gui::cSysTray::setAvailableForTest(true);
        MainWindowRig rig;
        rig.writeDataFile(
            "set.db", QByteArray::fromStdString(quorvel::access::EncodePassword("Pelor") + "\r\n"));
        rig.start();
        rig.click("cmdbutton_2");
        QPointer<QWidget> tool = rig.window->openedWindow(2);
        QVERIFY(tool && tool->isVisible());

        rig.window->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!rig.window->isVisible());
        QVERIFY(!tool->isVisible());
        const auto locked = [&] {
            const QWindow* shown = rig.window->windowHandle();
            return !rig.window->isVisible() && (!shown || !shown->isVisible()) && tool &&
                   !tool->isVisible();
        };

        rig.window->openFromTray();
        auto* login = rig.window->login();
        QVERIFY(login && login->isVisible());
        QVERIFY(locked());
        QVERIFY(!rig.window->tray().InTray());
        QTest::mouseClick(login->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        settle();
        QVERIFY(!login->isVisible());
        QVERIFY(locked());
        QVERIFY(rig.window->tray().InTray());

        rig.window->openFromTray();
        QVERIFY(login->isVisible());
        login->findChild<QLineEdit*>("txtPassword")->setText("wrong");
        QTest::mouseClick(login->findChild<QPushButton*>("cmd_login"), Qt::LeftButton);
        settle();
        QVERIFY(locked());
        QCOMPARE(LastMessage(), QString("Quorvel | Proctet and Defend|Wrong Password,please "
                                        "contact your Administrator"));

        // The tray's About is not behind the password; it shows only itself.
        rig.window->mnutray().actions().last()->trigger();
        QVERIFY(rig.window->openedWindow(5) && rig.window->openedWindow(5)->isVisible());
        QVERIFY(locked());
        rig.window->openedWindow(5)->close();
        settle();

        login->findChild<QLineEdit*>("txtPassword")->setText("Pelor");
        QTest::mouseClick(login->findChild<QPushButton*>("cmd_login"), Qt::LeftButton);
        settle();
        QVERIFY(!login->isVisible());
        QVERIFY(rig.window->isVisible());
        QVERIFY(!rig.window->isMinimized());
        QVERIFY(tool && tool->isVisible());
        QVERIFY(!rig.window->tray().InTray());
    }

    // Alerts are windows of their own: minimising the main window into the tray, closing
    // the windows list, refused close boxes and more alerts leave every unanswered alert
    // on the screen, each at its own place of the stack.
    void manyAlertsStayOnTheScreenStackedApart() {
        quorvel::gui::cSysTray::setAvailableForTest(true);
        MainWindowRig rig;
        rig.start();
        std::vector<std::shared_ptr<quorvel::guard::Alert>> alerts;
        const auto unansweredShown = [&] {
            std::set<std::pair<int, int>> corners;
            for (const auto& alert : alerts) {
                if (alert->answered())
                    continue;
                frmAlert* window = rig.window->alertWindow(*alert);
                if (!window || !window->isVisible() || window->isMinimized())
                    return false;
                corners.insert({window->x(), window->y()});
            }
            return corners.size() ==
                   static_cast<size_t>(std::count_if(alerts.begin(), alerts.end(),
                                                     [](const auto& a) { return !a->answered(); }));
        };

        for (int round = 0; round < 8; ++round) {
            for (int i = 0; i < 3; ++i) {
                auto alert = rig.hold(QString("stress%1_%2.exe").arg(round).arg(i).toStdString());
                QVERIFY(alert);
                alerts.push_back(alert);
            }
            QVERIFY(unansweredShown());
            frmAlert* first = rig.window->alertWindow(*alerts[alerts.size() - 3]);
            frmAlert* second = rig.window->alertWindow(*alerts[alerts.size() - 2]);
            if (round == 0) {
                QCOMPARE(second->pos() - first->pos(),
                         QPoint(quorvel::guard::kAlertStackStep, quorvel::guard::kAlertStackStep));
            }

            // The close box is refused; the alert stays.
            QCloseEvent closeBox;
            QApplication::sendEvent(first, &closeBox);
            first->close();
            settle();
            // The windows list comes and goes.
            QMouseEvent press(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                              Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(first->findChild<QLabel*>("lblListWin"), &press);
            auto* list = quorvel::gui::frmWindows::instance();
            QVERIFY(list && list->isVisible());
            if (round % 2 == 1) {
                // Minimised meanwhile, "List Windows" brings it back.
                list->setWindowState(Qt::WindowMinimized);
                QApplication::sendEvent(second->findChild<QLabel*>("lblListWin"), &press);
                QVERIFY(!list->isMinimized() && list->isVisible());
            }
            QTest::mouseClick(list->findChild<QPushButton*>("uc7Exit"), Qt::LeftButton);
            settle();
            // The main window goes into the tray and comes back through the password.
            if (round % 3 == 0) {
                rig.window->setWindowState(Qt::WindowMinimized);
                QTRY_VERIFY(!rig.window->isVisible());
            } else if (rig.window->tray().InTray()) {
                rig.window->openFromTray();
                emit rig.window->login()->passwordAccepted();
            }
            settle();
            QVERIFY2(unansweredShown(), qPrintable(QString("round %1").arg(round)));
            // One of them is answered, the others wait on.
            QTest::mouseClick(second->findChild<QPushButton*>("uc7Block"), Qt::LeftButton);
            settle();
            QVERIFY(unansweredShown());
        }
        for (const auto& alert : alerts) {
            if (!alert->answered())
                alert->Allow();
        }
        settle();
    }

    // A message box of the program is modal to its own window only: an alert stays
    // answerable while it is open.
    void aMessageBoxDoesNotBlockAnAlert() {
        MainWindowRig rig;
        rig.start();
        auto alert = rig.hold("held.exe");
        QVERIFY(alert);
        QPointer<frmAlert> window = rig.window->alertWindow(*alert);
        QVERIFY(window && window->isVisible());
        MessageBox::disableTestMode();
        bool boxWasOpen = false;
        QTimer::singleShot(50, [&] {
            QWidget* box = QApplication::activeModalWidget();
            boxWasOpen = box != nullptr;
            // Through the window system, where a modal box blocks the windows it is modal to.
            if (window) {
                auto* allow = window->findChild<QPushButton*>("uc7Allow");
                QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                                  allow->mapTo(window, allow->rect().center()));
            }
            if (box)
                box->close();
        });
        MessageBox::information(rig.window.get(), "Quorvel", "A box of the main window");
        MessageBox::enableTestMode();
        QVERIFY(boxWasOpen);
        QVERIFY(alert->answered());
    }

    void withoutANotificationAreaMinimisingOnlyMinimises() {
        quorvel::gui::cSysTray::setAvailableForTest(false);
        MainWindowRig rig;
        rig.start();
        rig.window->setWindowState(Qt::WindowMinimized);
        settle();
        QVERIFY(rig.window->isVisible());
        QVERIFY(rig.window->isMinimized());
        QVERIFY(!rig.window->tray().InTray());
    }

    void trayTipIsCutTo64Characters() {
        quorvel::gui::cSysTray tray;
        tray.setTrayTip(QString(70, 'x'));
        QCOMPARE(tray.TrayTip(), QString(64, 'x'));
        tray.setTrayTip(QString::fromUtf8("Quorvel ") + QString(60, QChar(0x00e9)));
        QCOMPARE(tray.TrayTip().size(), 64);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindow_test.moc"
