#include "gui/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using quorvel::gui::frmAbout;

class frmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void okClosesIt() {
        frmAbout about;
        about.show();
        QCOMPARE(about.windowTitle(), QString("About Quorvel"));
        QVERIFY(about.findChild<QLabel*>("lblVersion")->text().contains("1.5.52"));
        auto* ok = about.findChild<QPushButton*>("cmdOK");
        QVERIFY(ok);
        QCOMPARE(ok->text(), QString("OK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(frmAboutTest)
#include "frmAbout_test.moc"
