#include "gui/MessageBox.h"

#include <QtTest>

using quorvel::gui::MessageBox;

class MessageBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
    }

    void queuedAnswersComeFirstThenYes() {
        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(!MessageBox::question(nullptr, "Exit", "first"));
        QVERIFY(MessageBox::question(nullptr, "Exit", "second"));
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown().at(0).text, QString("first"));
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Question);
    }

    void storeMessagesKeepTheirIcon() {
        MessageBox::show(nullptr, quorvel::store::Message{"Saved", "Quorvel",
                                                          quorvel::store::MessageIcon::Critical});
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Critical);
        QCOMPARE(MessageBox::shown().at(0).title, QString("Quorvel"));
    }
};

QTEST_MAIN(MessageBoxTest)
#include "MessageBox_test.moc"
