#include "access/Password.h"
#include "gui/MessageBox.h"
#include "gui/frmLogin.h"
#include "gui/support/GuiFixtures.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>
#include <qtestspontaneevent.h>

using quorvel::gui::frmLogin;
using quorvel::gui::MessageBox;
using quorvel::gui::testing::WindowContext;

class frmLoginTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowContext> m_ui;

    void storePassword(const QByteArray& plain) {
        QFile file(m_ui->dataFile("set.db"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const std::string encoded = quorvel::access::EncodePassword(plain.toStdString());
        file.write(QByteArray::fromStdString(encoded) + "\r\n");
    }

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        m_ui = std::make_unique<WindowContext>();
    }
    void cleanup() { m_ui.reset(); }

    void hasTheFixedTextsAndAStarredPasswordBox() {
        frmLogin window(m_ui->context);
        QCOMPARE(window.windowTitle(), QString(29, ' ') + "Login");
        QStringList texts;
        for (auto* label : window.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains("Pelor"));
        QVERIFY(texts.contains("You must enter a password to continue.Your default password is"));
        QVERIFY(texts.contains("&Password:"));
        auto* box = window.findChild<QLineEdit*>("txtPassword");
        QVERIFY(box);
        QCOMPARE(box->maxLength(), 15);
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box),
                 int('*'));
        QCOMPARE(window.findChild<QPushButton*>("cmd_login")->text(), QString("Continue"));
        QCOMPARE(window.findChild<QPushButton*>("cmdCancel")->text(), QString("Cancel"));
    }

    void continueComparesWithSetDb_data() {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right") << true << "Pel or-9!" << true;
        QTest::newRow("wrong") << true << "nope" << false;
        QTest::newRow("other case") << true << "pEL OR-9!" << false;
        QTest::newRow("missing file, empty entry") << false << "" << true;
        QTest::newRow("missing file, any entry") << false << "Pelor" << false;
    }

    void continueComparesWithSetDb() {
        QFETCH(bool, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        if (stored)
            storePassword("Pel or-9!");
        frmLogin window(m_ui->context);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy ok(&window, &frmLogin::passwordAccepted);
        QSignalSpy cancelled(&window, &frmLogin::cancelled);
        auto* box = window.findChild<QLineEdit*>("txtPassword");
        QVERIFY(box->hasFocus());
        box->setText(typed);
        QTest::mouseClick(window.findChild<QPushButton*>("cmd_login"), Qt::LeftButton);

        QCOMPARE(ok.count(), accepted ? 1 : 0);
        QCOMPARE(cancelled.count(), 0);
        QVERIFY(box->text().isEmpty());
        QCOMPARE(window.isVisible(), !accepted);
        if (accepted) {
            QVERIFY(MessageBox::shown().isEmpty());
            return;
        }
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text,
                 QString("Wrong Password,please contact your Administrator"));
        QCOMPARE(MessageBox::shown().at(0).title, QString("Quorvel | Proctet and Defend"));
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Warning);
        QVERIFY(box->hasFocus());
    }

    void cancelHidesAndSaysSo() {
        frmLogin window(m_ui->context);
        window.show();
        QSignalSpy ok(&window, &frmLogin::passwordAccepted);
        QSignalSpy cancelled(&window, &frmLogin::cancelled);
        window.findChild<QLineEdit*>("txtPassword")->setText("half");
        QTest::mouseClick(window.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(ok.count(), 0);
        QVERIFY(!window.isVisible());
        QVERIFY(window.findChild<QLineEdit*>("txtPassword")->text().isEmpty());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void theCloseBoxCancelsButTheProgramsCloseDoesNot() {
        frmLogin window(m_ui->context);
        window.show();
        QSignalSpy cancelled(&window, &frmLogin::cancelled);
        QCloseEvent closeBox; // as the window system delivers it
        QSpontaneKeyEvent::setSpontaneous(&closeBox);
        QApplication::instance()->notify(&window, &closeBox);
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(!window.isVisible());

        window.show();
        window.findChild<QLineEdit*>("txtPassword")->setText("half");
        QVERIFY(window.close()); // the exit sequence
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(window.findChild<QLineEdit*>("txtPassword")->text().isEmpty());
    }

    void focusReturnsToThePasswordWhenActivated() {
        frmLogin window(m_ui->context);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.findChild<QPushButton*>("cmdCancel")->setFocus();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activate);
        QVERIFY(window.findChild<QLineEdit*>("txtPassword")->hasFocus());
    }
};

QTEST_MAIN(frmLoginTest)
#include "frmLogin_test.moc"
