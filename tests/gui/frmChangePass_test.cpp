#include "gui/MessageBox.h"
#include "gui/frmChangePass.h"
#include "gui/frmLogin.h"
#include "gui/support/GuiFixtures.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

using quorvel::gui::frmChangePass;
using quorvel::gui::frmLogin;
using quorvel::gui::MessageBox;
using quorvel::gui::testing::WindowContext;

class frmChangePassTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowContext> m_ui;

    QByteArray setDb() const {
        QFile file(m_ui->dataFile("set.db"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    static void changeTo(frmChangePass& window, const QString& text) {
        window.findChild<QLineEdit*>("Text1")->setText(text);
        QTest::mouseClick(window.findChild<QPushButton*>("cmdganti"), Qt::LeftButton);
    }

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        m_ui = std::make_unique<WindowContext>();
    }
    void cleanup() { m_ui.reset(); }

    void hasTheFixedTexts() {
        QApplication::setWindowIcon(QIcon(QPixmap(16, 16)));
        frmChangePass window(m_ui->context);
        QCOMPARE(window.windowTitle(), QString(25, ' ') + "Change Password");
        QCOMPARE(window.findChild<QLabel*>("lblNote")->text(),
                 QString("Make a strong password for your safety, Max 15 characters"));
        auto* box = window.findChild<QLineEdit*>("Text1");
        QCOMPARE(box->maxLength(), 15);
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box),
                 int('*'));
        QCOMPARE(window.findChild<QPushButton*>("cmdganti")->text(), QString("Change Now"));
        QCOMPARE(window.findChild<QPushButton*>("cmdCancel")->text(), QString("Cancel"));
        QVERIFY(!window.windowIcon().isNull());
    }

    void emptyIsRefusedAndNothingWritten() {
        frmChangePass window(m_ui->context);
        window.show();
        changeTo(window, "");
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text, QString("The Password can't be empty"));
        QCOMPARE(MessageBox::shown().at(0).title, QString("Warning"));
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Warning);
        QVERIFY(window.isVisible());
        QCOMPARE(setDb(), QByteArray("<none>"));
    }

    void savedPasswordIsEncodedConfirmedAndTakenByTheLogin() {
        frmChangePass window(m_ui->context);
        window.show();
        changeTo(window, "Ab9 x-!");
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text,
                 QString("Password has been saved \r\nYour current password is : Ab9 x-!"));
        QCOMPARE(MessageBox::shown().at(0).title, QString("Quorvel | Protect and Defend"));
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Information);
        QVERIFY(!window.isVisible());
        QVERIFY(window.findChild<QLineEdit*>("Text1")->text().isEmpty());
        QCOMPARE(setDb(), QByteArray("\xa5\xc6\x9d \xdc-!\r\n"));

        frmLogin login(m_ui->context);
        login.show();
        QSignalSpy ok(&login, &frmLogin::passwordAccepted);
        login.findChild<QLineEdit*>("txtPassword")->setText("Ab9 x-!");
        login.findChild<QPushButton*>("cmd_login")->click();
        QCOMPARE(ok.count(), 1);
    }

    void unwritableDataFolderIsACriticalErrorAndKeepsTheWindow() {
        m_ui->context.dataFolder += "/missing";
        frmChangePass window(m_ui->context);
        window.show();
        changeTo(window, "secret");
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Critical);
        QVERIFY(MessageBox::shown().at(0).text.startsWith("Password not saved"));
        QVERIFY(!MessageBox::shown().at(0).text.contains("has been saved"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(), QString("secret"));
    }

    void cancelWritesNothing() {
        frmChangePass window(m_ui->context);
        window.show();
        window.findChild<QLineEdit*>("Text1")->setText("typed");
        QTest::mouseClick(window.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QVERIFY(window.findChild<QLineEdit*>("Text1")->text().isEmpty());
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(setDb(), QByteArray("<none>"));
    }
};

QTEST_MAIN(frmChangePassTest)
#include "frmChangePass_test.moc"
