#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/frVirusScan.h"
#include "store/TempFolder.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

using quorvel::gui::AppContext;
using quorvel::gui::frVirusScan;
using quorvel::gui::MessageBox;
using quorvel::testing::TempFolder;
using quorvel::testing::WriteBytes;

// The panel over the real backends, with a stand-in scanner in a program folder of its
// own that writes a report and keeps running a moment.
class frVirusScanTest : public QObject {
    Q_OBJECT

private:
    quorvel::platform::Platform m_platform = quorvel::platform::CreateNativePlatform();
    std::unique_ptr<TempFolder> m_program;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<frVirusScan> m_panel;

    template <class T> T* child(const char* name) {
        auto* widget = m_panel->findChild<T*>(name);
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString result() { return child<QPlainTextEdit>("txtScanresult")->toPlainText(); }

    void placeScanner(const std::string& script) {
        const auto folder = m_program->path() / "ClamAV";
        std::filesystem::create_directories(folder);
        WriteBytes((folder / "clamscan").string(), "#!/bin/sh\n" + script);
        std::filesystem::permissions(folder / "clamscan", std::filesystem::perms::owner_all);
    }

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        m_program = std::make_unique<TempFolder>();
        m_context = std::make_unique<AppContext>(AppContext{
            m_platform, (m_program->path() / "Data").string(), m_program->path().string()});
        m_panel = std::make_unique<frVirusScan>(*m_context);
        m_panel->show();
    }

    void cleanup() {
        m_panel.reset();
        m_context.reset();
        m_program.reset();
    }

    void designTexts() {
        QCOMPARE(m_panel->objectName(), QString("frVirusScan"));
        QCOMPARE(child<QPushButton>("CmdScan")->text(), QString("Scan Processes Now"));
        QCOMPARE(child<QPushButton>("cmdreadreport")->text(), QString("Read Result"));
        QCOMPARE(child<QLabel>("lbllastscan")->text(), QString("n/a"));
        QCOMPARE(result(), QString("Result Scan"));
        QVERIFY(!child<QProgressBar>("prgScan")->isVisible());
    }

    void missingScannerAndReportAreSaidInBoxes() {
        QTest::mouseClick(child<QPushButton>("CmdScan"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>("cmdreadreport"), Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown().at(0).text, QString("Clam Not Found"));
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Warning);
        QCOMPARE(MessageBox::shown().at(0).title, QString("Quorvel"));
        QCOMPARE(MessageBox::shown().at(1).text, QString("File Not Found"));
        QCOMPARE(child<QLabel>("lbllastscan")->text(), QString("n/a"));
        QCOMPARE(result(), QString("Result Scan"));
    }

    void scanShowsProgressWhileItRunsAndEachReadAppends() {
        placeScanner("printf 'first, second\\n' > clamreport.txt\nsleep 2\n");
        QTest::mouseClick(child<QPushButton>("CmdScan"), Qt::LeftButton);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(child<QLabel>("lbllastscan")->text().contains('-'));
        QVERIFY(child<QProgressBar>("prgScan")->isVisible());

        // Usable while the scanner runs.
        QVERIFY(child<QPushButton>("cmdreadreport")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!child<QProgressBar>("prgScan")->isVisible(), 30000);

        QTest::mouseClick(child<QPushButton>("cmdreadreport"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>("cmdreadreport"), Qt::LeftButton);
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(result(), QString("Result Scanfirst\nsecond\nfirst\nsecond\n"));
    }

    void reportFolderIsTheCallersChoice() {
        TempFolder reports;
        m_panel->setReportFolder(reports.path().string());
        WriteBytes(reports / "clamreport.txt", "elsewhere\n");
        QTest::mouseClick(child<QPushButton>("cmdreadreport"), Qt::LeftButton);
        QCOMPARE(result(), QString("Result Scanelsewhere\n"));
    }
};

QTEST_MAIN(frVirusScanTest)
#include "frVirusScan_test.moc"
