#include "guard/PopupSchedule.h"
#include "gui/frmTrayMsg.h"
#include "gui/support/GuiFixtures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using quorvel::gui::frmTrayMsg;
using quorvel::gui::testing::FlushDeletes;
namespace guard = quorvel::guard;

// The popup's timers stay off; each test calls their ticks itself.
class frmTrayMsgTest : public QObject {
    Q_OBJECT

    QRect m_screen;
    double m_dpiX = 96;
    double m_dpiY = 96;

    int width() const { return guard::TwipsToPixels(guard::kPopupWidthTwips, m_dpiX); }
    // The top after the slide moved the window up by twips.
    int topAfter(int twips) const {
        return m_screen.bottom() + 1 - guard::TwipsToPixels(twips, m_dpiY);
    }

    static int slideToTheEnd(frmTrayMsg* popup) {
        int moves = 0;
        while (popup->schedule().slideTimerOn()) {
            const QPoint before = popup->pos();
            const int offset = popup->schedule().slideOffsetTwips();
            popup->TimerLoad_Timer();
            if (popup->schedule().slideOffsetTwips() != offset)
                ++moves;
            if (moves > 1000 || popup->pos().y() > before.y())
                return -1; // it never goes down again
        }
        return moves;
    }

private slots:
    void initTestCase() {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        m_screen = screen->geometry();
        m_dpiX = screen->logicalDotsPerInchX();
        m_dpiY = screen->logicalDotsPerInchY();
        frmTrayMsg::setManualTicks(true);
    }

    void cleanup() {
        delete frmTrayMsg::instance();
        FlushDeletes();
    }

    void slidesUpAtTheRightEdgeOfTheWholeScreen() {
        QPointer<frmTrayMsg> popup =
            frmTrayMsg::ShowTrayMessage("WARNING", "New process detected : calc.exe");
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QVERIFY(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(popup->title(), QString("WARNING"));
        QCOMPARE(popup->message(), QString("New process detected : calc.exe"));
        QCOMPARE(popup->findChild<QPushButton*>("cmdClose")->text(), QString("Close"));
        QCOMPARE(popup->width(), width());
        QCOMPARE(popup->height(), guard::TwipsToPixels(guard::kPopupHeightTwips, m_dpiY));
        QCOMPARE(popup->x() + popup->width(), m_screen.right() + 1);
        QCOMPARE(popup->y(), topAfter(0)); // below the edge until the first tick

        popup->TimerLoad_Timer();
        QCOMPARE(popup->y(), topAfter(0));
        popup->TimerLoad_Timer();
        QCOMPARE(popup->y(), topAfter(20));
        QCOMPARE(slideToTheEnd(popup), 134);
        QCOMPARE(popup->y(), topAfter(2700));
        QCOMPARE(popup->x() + popup->width(), m_screen.right() + 1);
        QVERIFY(popup->schedule().holdTimerOn());
    }

    void untouchedPopupClosesOnThe47thTickAfterTheHold() {
        QPointer<frmTrayMsg> popup = frmTrayMsg::ShowTrayMessage("WARNING", "a");
        QCOMPARE(slideToTheEnd(popup), 136);
        const QPoint rest = popup->pos();
        popup->TimerUnload1_Timer(); // its timer is not on yet
        QCOMPARE(popup->schedule().closeCounter(), 0);
        popup->TimerUnloadTime_Timer();
        for (int tick = 1; tick <= 46; ++tick) {
            popup->TimerUnload1_Timer();
            QVERIFY2(popup->isVisible(), qPrintable(QString::number(tick)));
        }
        QCOMPARE(popup->pos(), rest);
        popup->TimerUnload1_Timer();
        QVERIFY(!popup->isVisible());
        QVERIFY(frmTrayMsg::instance() == nullptr);
        FlushDeletes();
        QVERIFY(!popup);
    }

    void closeEarlyInTheSlideEndsBeforeTheSlide() {
        QPointer<frmTrayMsg> popup = frmTrayMsg::ShowTrayMessage("WARNING", "a");
        for (int i = 0; i < 10; ++i)
            popup->TimerLoad_Timer();
        QTest::mouseClick(popup->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
        int ticks = 0;
        while (popup && popup->isVisible() && ticks < 1000) {
            popup->TimerLoad_Timer();
            popup->TimerUnload1_Timer();
            ++ticks;
        }
        QCOMPARE(ticks, 47);
        QVERIFY(popup->y() > topAfter(2700)); // the slide had not finished
    }

    void aSecondMessageReplacesTheTextAndKeepsTheSchedule() {
        QPointer<frmTrayMsg> popup = frmTrayMsg::ShowTrayMessage("WARNING", "first");
        for (int i = 0; i < 50; ++i)
            popup->TimerLoad_Timer();
        const QPoint where = popup->pos();
        QCOMPARE(frmTrayMsg::ShowTrayMessage("WARNING", "second"), popup.data());
        QCOMPARE(popup->message(), QString("second"));
        QCOMPARE(popup->pos(), where);
        QCOMPARE(slideToTheEnd(popup), 136 - 50);
    }

    void aMessageAfterTheCloseLoadsAFreshPopup() {
        QPointer<frmTrayMsg> first = frmTrayMsg::ShowTrayMessage("WARNING", "first");
        first->cmdClose_Click();
        for (int i = 0; i < 47; ++i)
            first->TimerUnload1_Timer();
        QVERIFY(!first->isVisible());
        // Not yet deleted: the next message must not land in the closing window.
        frmTrayMsg* second = frmTrayMsg::ShowTrayMessage("WARNING", "second");
        QVERIFY(second != first.data());
        QCOMPARE(second->y(), topAfter(0));
        QCOMPARE(second->schedule().slideOffsetTwips(), 0);

        // Closed by the program (at exit): gone as well.
        second->close();
        QVERIFY(frmTrayMsg::instance() == nullptr);
        QVERIFY(frmTrayMsg::ShowTrayMessage("WARNING", "third") != second);
    }

    void runsOnItsOwnTimers() {
        frmTrayMsg::setManualTicks(false);
        frmTrayMsg* popup = frmTrayMsg::ShowTrayMessage("WARNING", "a");
        auto* load = popup->findChild<QTimer*>("TimerLoad");
        auto* hold = popup->findChild<QTimer*>("TimerUnloadTime");
        auto* unload = popup->findChild<QTimer*>("TimerUnload1");
        QVERIFY(load && hold && unload);
        QCOMPARE(load->interval(), 10);
        QCOMPARE(hold->interval(), 3000);
        QCOMPARE(unload->interval(), 10);
        QVERIFY(load->isActive());
        QVERIFY(!hold->isActive());
        while (popup->schedule().slideTimerOn())
            popup->TimerLoad_Timer();
        QVERIFY(!load->isActive());
        QVERIFY(hold->isActive());
        popup->cmdClose_Click();
        QVERIFY(unload->isActive());
        frmTrayMsg::setManualTicks(true);
    }
};

QTEST_MAIN(frmTrayMsgTest)
#include "frmTrayMsg_test.moc"
