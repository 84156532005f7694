#include "gui/frmAlert.h"
#include "gui/frmWindows.h"
#include "gui/support/GuiFixtures.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>

using namespace quorvel;
using gui::frmAlert;
using gui::testing::FlushDeletes;
using gui::testing::VisibleWindows;
using gui::testing::WindowContext;

namespace {

QString LabelText(QWidget* window, const char* name) {
    auto* label = window->findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

void Click(QWidget* window, const char* button) {
    auto* target = window->findChild<QPushButton*>(button);
    QVERIFY2(target != nullptr, button);
    QTest::mouseClick(target, Qt::LeftButton);
}

} // namespace

// The real engine over scripted processes; the windows get the same desktop.
class frmAlertTest : public QObject {
    Q_OBJECT

    std::unique_ptr<guard::testing::GuardRig> m_rig;
    std::unique_ptr<WindowContext> m_ui;

    // Holds a new process and opens its window, as the main window does for OpenAlert.
    QPointer<frmAlert> open(const std::string& name) {
        auto alert = m_rig->Hold(name);
        if (!alert)
            return nullptr;
        auto* window = new frmAlert(alert, m_ui->context);
        window->show();
        return window;
    }

    bool suspended(const std::string& name) const {
        const uint32_t pid = m_rig->processes.PidOf(name);
        auto it = m_rig->processes.suspendCount.find(pid);
        return it != m_rig->processes.suspendCount.end() && it->second > 0;
    }

private slots:
    void init() {
        m_rig = std::make_unique<guard::testing::GuardRig>();
        m_ui = std::make_unique<WindowContext>();
        m_ui->platform.windows = std::make_unique<gui::testing::BorrowedWindows>(m_rig->windows);
        m_rig->StartGuard({"init"});
    }

    void cleanup() {
        // A combo box's popup is a top-level widget too, deleted with its window.
        std::vector<QPointer<QWidget>> windows;
        for (QWidget* widget : QApplication::topLevelWidgets())
            windows.emplace_back(widget);
        for (const auto& widget : windows) {
            if (!widget)
                continue;
            widget->setAttribute(Qt::WA_DeleteOnClose, false);
            delete widget.data();
        }
        m_rig.reset();
        m_ui.reset();
    }

    void showsTheHeldProcessAndTheFixedTexts() {
        const uint32_t pid = m_rig->processes.Start("notepad.exe", "/usr/bin/notepad.exe");
        m_rig->windows.windows = {{1, pid, "Untitled"}, {2, pid, "Find"}, {3, pid, ""}};
        m_rig->guard.Tick();
        auto alert = m_rig->AlertFor("notepad.exe");
        QVERIFY(alert);
        frmAlert window(alert, m_ui->context);

        QCOMPARE(window.windowTitle(), QString(43, ' ') + "--WARNING--");
        QCOMPARE(LabelText(&window, "lblProcName"), QString("notepad.exe"));
        QCOMPARE(LabelText(&window, "lblPID"), QString::number(pid));
        QCOMPARE(LabelText(&window, "lblParent"), QString("1"));
        QCOMPARE(LabelText(&window, "lblChild"), QString("2"));
        const QString padded = LabelText(&window, "lblFilename");
        QCOMPARE(padded.size(), 260);
        QVERIFY(padded.startsWith("notepad.exe "));
        QCOMPARE(padded.trimmed(), QString("notepad.exe"));
        QCOMPARE(LabelText(&window, "lblAttempts"), QString("0"));
        QCOMPARE(LabelText(&window, "lblLastAction"), QString("N/A"));
        QCOMPARE(LabelText(&window, "lblCount"), QString("10"));
        QCOMPARE(LabelText(&window, "lblListWin"), QString("List Windows"));

        QStringList texts;
        for (auto* label : window.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains("A New Process want to run in your Sytem"));
        QVERIFY(
            texts.contains("If you not trust this process," + QString(24, ' ') + "is recommended"));
        QVERIFY(texts.contains("Process Will be Automatically blocked in:"));
        QVERIFY(texts.contains("Second(s)"));
        QVERIFY(texts.contains("Kill Now"));
        for (auto [name, caption] :
             {std::pair{"uc7Allow", "Allow"}, {"uc7Block", "Block"}, {"uc7Kill", "Kill Now"}})
            QCOMPARE(window.findChild<QPushButton*>(name)->text(), QString(caption));
        auto* frame = window.findChild<QGroupBox*>("frInfo");
        QVERIFY(frame);
        QCOMPARE(frame->title(), QString("Information"));

        auto* timer = window.findChild<QTimer*>("tmr");
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
    }

    void nextAlertShowsTheEarlierVerdict_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("lastAction");
        QTest::newRow("allowed") << "uc7Allow"
                                 << "Allowed";
        QTest::newRow("blocked") << "uc7Block"
                                 << "Blocked";
    }

    void nextAlertShowsTheEarlierVerdict() {
        QFETCH(QString, button);
        QFETCH(QString, lastAction);
        QPointer<frmAlert> first = open("tool.exe");
        QVERIFY(first);
        Click(first, button.toLatin1().constData());
        FlushDeletes();
        QVERIFY(!first);

        m_rig->processes.End(m_rig->processes.PidOf("tool.exe"));
        m_rig->guard.Tick();
        QPointer<frmAlert> second = open("tool.exe");
        QVERIFY(second);
        QCOMPARE(LabelText(second, "lblAttempts"), QString("1"));
        QCOMPARE(LabelText(second, "lblLastAction"), lastAction);
    }

    void countdownBlocksAtZero() {
        QPointer<frmAlert> window = open("late.exe");
        QVERIFY(window);
        window->findChild<QTimer*>("tmr")->stop(); // the test is the clock
        for (int expected = 9; expected >= 1; --expected) {
            window->countdownTick();
            QCOMPARE(LabelText(window, "lblCount"), QString::number(expected));
            QVERIFY(!window->alert().answered());
        }
        QVERIFY(m_rig->guard.jail().list().empty());
        window->countdownTick();
        QVERIFY(window->alert().answered());
        QCOMPARE(LabelText(window, "lblCount"), QString("0"));
        QVERIFY(!window->isVisible());
        FlushDeletes();
        QVERIFY(!window);

        QVERIFY(suspended("late.exe"));
        QCOMPARE(m_rig->guard.counters().blockedCount, 1);
        QCOMPARE(m_rig->guard.counters().blockedOverview, 1);
        QCOMPARE(m_rig->guard.counters().lastBlocked, std::string("late.exe"));
        const auto* entry = m_rig->guard.jail().Find("late.exe");
        QVERIFY(entry);
        QCOMPARE(entry->lastAction, std::string("Blocked"));
    }

    void theRealTimerDrivesTheCountdown() {
        QPointer<frmAlert> window = open("slow.exe");
        QVERIFY(window);
        QTimer* timer = window->findChild<QTimer*>("tmr");
        for (int i = 0; i < 10; ++i)
            QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
        QVERIFY(window->alert().answered());
        QVERIFY(!timer->isActive());
        QVERIFY(suspended("slow.exe"));
    }

    void answersCarryOutTheEngine_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("stillSuspended");
        QTest::addColumn<QString>("lastCall");
        QTest::addColumn<bool>("jailed");
        QTest::newRow("Allow") << "uc7Allow" << false << "resume app.exe" << true;
        QTest::newRow("Block") << "uc7Block" << true << "suspend app.exe" << true;
        QTest::newRow("Kill Now") << "uc7Kill" << false << "kill app.exe" << false;
    }

    void answersCarryOutTheEngine() {
        QFETCH(QString, button);
        QFETCH(bool, stillSuspended);
        QFETCH(QString, lastCall);
        QFETCH(bool, jailed);
        QPointer<frmAlert> window = open("app.exe");
        QVERIFY(window);
        Click(window, button.toLatin1().constData());
        QVERIFY(window->alert().answered());
        QVERIFY(!window->isVisible());
        QCOMPARE(suspended("app.exe"), stillSuspended);
        QCOMPARE(QString::fromStdString(m_rig->processes.calls.back()), lastCall);
        QCOMPARE(m_rig->guard.jail().Find("app.exe") != nullptr, jailed);
        QVERIFY(m_rig->guard.openAlerts().empty());
    }

    void closeIsRefusedUntilAnswered() {
        QPointer<frmAlert> window = open("held.exe");
        QVERIFY(window);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        window->closeIfAnswered(); // the engine has not answered it
        QVERIFY(window->isVisible());
        QVERIFY(suspended("held.exe"));

        // The exit sequence answers every open alert; the main window then closes them.
        m_rig->observer.answerYes = false;
        QVERIFY(m_rig->guard.ExitSequence());
        window->closeIfAnswered();
        QVERIFY(!window->isVisible());
    }

    void twoAlertsKeepTheirOwnProcessAndCountdown() {
        QPointer<frmAlert> first = open("one.exe");
        QPointer<frmAlert> second = open("two.exe");
        QVERIFY(first && second);
        QCOMPARE(VisibleWindows("frmAlert").size(), size_t{2});
        QVERIFY(LabelText(first, "lblPID") != LabelText(second, "lblPID"));
        QCOMPARE(LabelText(second, "lblProcName"), QString("two.exe"));
        for (int i = 0; i < 3; ++i)
            first->countdownTick();
        second->countdownTick();
        QCOMPARE(LabelText(first, "lblCount"), QString("7"));
        QCOMPARE(LabelText(second, "lblCount"), QString("9"));

        Click(first, "uc7Allow");
        QVERIFY(!first->isVisible());
        // Answering one leaves the other held and unclosable.
        QVERIFY(!second->close());
        QVERIFY(suspended("two.exe"));
        QVERIFY(!suspended("one.exe"));
        for (int i = 0; i < 9; ++i)
            second->countdownTick();
        QVERIFY(!second->isVisible());
        QCOMPARE(m_rig->guard.counters().blockedCount, 1);
        QCOMPARE(m_rig->guard.counters().lastBlocked, std::string("two.exe"));
    }

    void listWindowsOpensTheWindowsOfItsProcess() {
        QPointer<frmAlert> first = open("editor.exe");
        QPointer<frmAlert> second = open("player.exe");
        QVERIFY(first && second);
        const uint32_t editor = m_rig->processes.PidOf("editor.exe");
        m_rig->windows.windows = {
            {1, editor, "Document 1"}, {2, 999, "Elsewhere"}, {3, editor, "Document 2"}};

        QTest::mouseClick(first->findChild<QLabel*>("lblListWin"), Qt::LeftButton);
        QPointer<gui::frmWindows> list = gui::frmWindows::instance();
        QVERIFY(list);
        QVERIFY(list->isVisible());
        QCOMPARE(list->pid(), editor);
        QCOMPARE(list->lines(), QStringList({"Document 1", "Document 2"}));
        QVERIFY(LabelText(list, "lblTarget").contains("editor.exe"));

        // The other alert's link re-uses the open list.
        QTest::mouseClick(second->findChild<QLabel*>("lblListWin"), Qt::LeftButton);
        QCOMPARE(gui::frmWindows::instance(), list.data());
        QCOMPARE(list->pid(), m_rig->processes.PidOf("player.exe"));
        QCOMPARE(list->lines(), QStringList({"No Associated Windows"}));
        QCOMPARE(VisibleWindows("frmWindows").size(), size_t{1});
    }

    void durationChoiceReachesTheEngine_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("choice"); // -1: left as it opened
        QTest::addColumn<QString>("answer");
        QTest::newRow("default") << "uc7Allow" << -1 << "allow 4711";
        QTest::newRow("allow this time") << "uc7Allow" << 0 << "allow 4711";
        QTest::newRow("allow until exit") << "uc7Allow" << 1 << "allow 4711 Until Quorvel exits";
        QTest::newRow("block always") << "uc7Block" << 2 << "block 4711 Always";
        QTest::newRow("kill now has none") << "uc7Kill" << 2 << "kill 4711";
        QTest::newRow("countdown blocks this time") << "" << 1 << "block 4711";
    }

    void durationChoiceReachesTheEngine() {
        QFETCH(QString, button);
        QFETCH(int, choice);
        QFETCH(QString, answer);
        gui::testing::RecordingAlertHost host;
        guard::AlertInfo info;
        info.pid = 4711;
        info.name = "app.exe";
        auto alert = std::make_shared<guard::Alert>(info, host);
        QPointer<frmAlert> window = new frmAlert(alert, m_ui->context);
        window->show();
        window->findChild<QTimer*>("tmr")->stop(); // the test is the clock

        auto* box = window->findChild<QComboBox*>("cboDuration");
        QVERIFY(box);
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        QCOMPARE(texts, QStringList({"This time", "Until Quorvel exits",
                                     "Always (Allow: whitelist it; Block: blacklist it, later "
                                     "ones are killed)"}));
        QCOMPARE(box->currentIndex(), 0);
        // Closed, the box keeps the window narrow; open, it shows each choice whole.
        QVERIFY(box->width() < box->fontMetrics().horizontalAdvance(texts.last()));
        box->showPopup();
        QVERIFY(box->view()->width() >= box->fontMetrics().horizontalAdvance(texts.last()));
        box->hidePopup();
        if (choice >= 0)
            box->setCurrentIndex(choice);
        if (button.isEmpty()) {
            for (int i = 0; i < guard::Alert::kCountdownStart; ++i)
                window->countdownTick();
        } else {
            Click(window, button.toLatin1().constData());
        }
        QCOMPARE(host.answers, std::vector<std::string>{answer.toStdString()});
    }

    void answersWithoutAHostOnlyMarkTheAlert() {
        gui::testing::RecordingAlertHost host;
        guard::AlertInfo info;
        info.pid = 4711;
        info.name = "orphan.exe";
        auto alert = std::make_shared<guard::Alert>(info, host);
        QPointer<frmAlert> window = new frmAlert(alert, m_ui->context);
        window->show();
        Click(window, "uc7Kill");
        Click(window, "uc7Allow"); // the window is closing: a second answer changes nothing
        QCOMPARE(host.answers, std::vector<std::string>{"kill 4711"});
    }
};

QTEST_MAIN(frmAlertTest)
#include "frmAlert_test.moc"
