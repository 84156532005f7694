#include "gui/AppContext.h"
#include "gui/Downloader.h"
#include "gui/MessageBox.h"
#include "gui/frmCekUpdates.h"
#include "store/TempFolder.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <algorithm>
#include <filesystem>

using quorvel::gui::AppContext;
using quorvel::gui::Downloader;
using quorvel::gui::frmCekUpdates;
using quorvel::gui::MessageBox;
using quorvel::testing::PathExists;
using quorvel::testing::ReadBytes;
using quorvel::testing::TempFolder;
using quorvel::testing::WriteBytes;

constexpr qint64 kPackageSize = 3 * 1024 * 1024 + 17;

// A frame is about 16 ms; the bound leaves room for a sanitized build on a loaded
// machine, while a check that ran on this thread would hold it for as long as the server
// stalls (half a minute and more).
constexpr qint64 kLongestGapMs = 250;

// Beats a 5 ms timer on this thread and keeps the largest gap between two beats.
struct Heartbeat {
    Heartbeat() {
        clock.start();
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            largest = std::max(largest, now - last);
            last = now;
        });
        timer.start();
    }
    QElapsedTimer clock;
    QTimer timer;
    qint64 last = 0;
    qint64 largest = 0;
};

// The update window against the update tests' server on 127.0.0.1, started here and
// ended by its PID; update.ini in the Data folder points the window at one of its sites.
class frmCekUpdatesTest : public QObject {
    Q_OBJECT

private:
    QProcess m_server;
    QString m_url;
    quorvel::platform::Platform m_platform = quorvel::platform::CreateNativePlatform();
    std::unique_ptr<TempFolder> m_program;
    std::unique_ptr<AppContext> m_context;

    std::unique_ptr<frmCekUpdates> open(const QString& site) {
        const auto data = m_program->path() / "Data";
        std::filesystem::create_directories(data);
        WriteBytes((data / "update.ini").string(),
                   "[Update]\nServer=" + (m_url + "/" + site).toStdString() + "\n");
        auto window = std::make_unique<frmCekUpdates>(*m_context);
        window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
        window->show();
        return window;
    }

    template <class T> static T* child(QWidget* window, const char* name) {
        auto* widget = window->findChild<T*>(name);
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    static bool shownText(const QString& part) {
        for (const auto& box : MessageBox::shown())
            if (box.text.contains(part))
                return true;
        return false;
    }

private slots:
    void initTestCase() {
        m_server.start("python3", {QFINDTESTDATA("../update/update_server.py")});
        QVERIFY(m_server.waitForStarted());
        QVERIFY(m_server.waitForReadyRead(20000));
        m_url = "http://127.0.0.1:" + QString::fromLatin1(m_server.readLine()).trimmed();
    }

    void cleanupTestCase() {
        m_server.kill(); // by the PID QProcess holds
        m_server.waitForFinished();
    }

    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        m_program = std::make_unique<TempFolder>();
        m_context = std::make_unique<AppContext>(AppContext{
            m_platform, (m_program->path() / "Data").string(), m_program->path().string()});
    }

    void cleanup() {
        m_context.reset();
        m_program.reset();
    }

    void checkShowsTheOutcome_data() {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("lblupdate");
        QTest::addColumn<QString>("lblnew");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("box");
        const QString none = "No Updates Found..you are using recents version";
        QTest::newRow("1.7") << "v17"
                             << "Updates Found"
                             << "1.7  " << true << "";
        QTest::newRow("1.6") << "v16"
                             << "Updates Found"
                             << "1.6  " << true << "";
        QTest::newRow("1.5") << "v15" << none << "n/a" << false << "";
        QTest::newRow("1.10") << "v110" << none << "n/a" << false << "";
        QTest::newRow("404") << "missing"
                             << "Update check failed"
                             << "n/a" << false << "HTTP 404";
        QTest::newRow("500") << "e500"
                             << "Update check failed"
                             << "n/a" << false << "HTTP 500";
    }

    void checkShowsTheOutcome() {
        QFETCH(QString, site);
        auto window = open(site);
        QCOMPARE(window->windowTitle(), QString("Quorvel | Check For Updates"));
        QTRY_VERIFY(!QStringList({"N/A", "Checking for updates..."})
                         .contains(child<QLabel>(window.get(), "lblupdate")->text()));
        QTEST(child<QLabel>(window.get(), "lblupdate")->text(), "lblupdate");
        QTEST(child<QLabel>(window.get(), "lblnew")->text(), "lblnew");
        QTEST(child<QPushButton>(window.get(), "cmdUpdate")->isEnabled(), "enabled");
        QFETCH(QString, box);
        if (box.isEmpty()) {
            QVERIFY(MessageBox::shown().isEmpty());
        } else {
            QCOMPARE(MessageBox::shown().size(), 1);
            QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Warning);
            QVERIFY(MessageBox::shown().at(0).text.contains(box));
        }
    }

    void updateNowDownloadsThePackageWithProgress() {
        const std::string target = (m_program->path() / "Quorvel.rar").string();
        WriteBytes(target, std::string(kPackageSize + 999, 'o')); // an older, longer one
        auto window = open("pkg");
        QTRY_VERIFY(child<QPushButton>(window.get(), "cmdUpdate")->isEnabled());
        QSignalSpy progress(window->donlod1(), &Downloader::DownloadProgress);
        QSignalSpy complete(window->donlod1(), &Downloader::DownloadComplete);
        QSignalSpy error(window->donlod1(), &Downloader::DownloadError);

        QTest::mouseClick(child<QPushButton>(window.get(), "cmdUpdate"), Qt::LeftButton);
        QVERIFY(shownText("If Download complete,the Updates saved in : " +
                          QString::fromStdString(m_program->path().string())));
        QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 1, 60000);
        QCOMPARE(error.size(), 0);
        QCOMPARE(complete.at(0).at(0).toLongLong(), kPackageSize);
        QCOMPARE(complete.at(0).at(1).toString(), QString::fromStdString(target));
        QVERIFY(progress.size() > 1);
        QCOMPARE(progress.last().at(0).toLongLong(), kPackageSize);
        QCOMPARE(static_cast<qint64>(ReadBytes(target).size()), kPackageSize);
        QVERIFY(shownText("Download Complete !"));
        auto* bar = child<QProgressBar>(window.get(), "prgDownload");
        QCOMPARE(bar->value(), bar->maximum());
    }

    // Against a server that accepts and never answers the window keeps drawing, says it is
    // checking, and "Cancel" stops the check at once and ends the window.
    void aStallingServerNeverBlocksTheWindow() {
        Heartbeat beat;
        auto window = open("stall");
        QTest::qWait(1500);
        QVERIFY2(beat.largest < kLongestGapMs, qPrintable(QString::number(beat.largest)));
        QVERIFY(window->checking());
        QCOMPARE(child<QLabel>(window.get(), "lblupdate")->text(),
                 QString("Checking for updates..."));
        QVERIFY(!child<QPushButton>(window.get(), "cmdUpdate")->isEnabled());
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdCancel"), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window->checking(), 5000);
        QVERIFY2(beat.largest < kLongestGapMs, qPrintable(QString::number(beat.largest)));
        QVERIFY(MessageBox::shown().isEmpty()); // a cancelled check is no failure
    }

    // Closed while its check stalls, the window leaves the screen at once and is deleted
    // once the check has stopped.
    void closedWhileCheckingItGoesOnceTheCheckStopped() {
        Heartbeat beat;
        const auto data = m_program->path() / "Data";
        std::filesystem::create_directories(data);
        WriteBytes((data / "update.ini").string(),
                   "Server=" + (m_url + "/stall").toStdString() + "\n");
        QPointer<frmCekUpdates> window = new frmCekUpdates(*m_context);
        window->show();
        QTest::qWait(300);
        QVERIFY(window->checking());
        window->close();
        QVERIFY(window && !window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
        QVERIFY2(beat.largest < kLongestGapMs, qPrintable(QString::number(beat.largest)));
    }

    void aDownloadNeverBlocksTheWindow() {
        auto window = open("pkg");
        QTRY_VERIFY(child<QPushButton>(window.get(), "cmdUpdate")->isEnabled());
        QSignalSpy complete(window->donlod1(), &Downloader::DownloadComplete);
        Heartbeat beat;
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdUpdate"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 1, 60000);
        QVERIFY2(beat.largest < kLongestGapMs, qPrintable(QString::number(beat.largest)));
    }

    // Out of the box no server is named: the window says so and where to name one.
    void withoutAServerItSaysWhereToNameOne() {
        frmCekUpdates window(*m_context);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QTRY_VERIFY(!QStringList({"N/A", "Checking for updates..."})
                         .contains(child<QLabel>(&window, "lblupdate")->text()));
        QCOMPARE(child<QLabel>(&window, "lblupdate")->text(),
                 QString("No update server configured"));
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().at(0).text.contains("update.ini"));
        QVERIFY(MessageBox::shown().at(0).text.contains("Server="));
    }

    // A download that fails says so in the window itself, not only in a box.
    void failedDownloadSaysSoInTheWindow_data() {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("cause");
        QTest::newRow("500") << "pkg500"
                             << "HTTP 500";
        QTest::newRow("404") << "v17"
                             << "HTTP 404";
        QTest::newRow("broken off") << "pkgdrop"
                                    << "broke off";
    }

    void failedDownloadSaysSoInTheWindow() {
        QFETCH(QString, site);
        QFETCH(QString, cause);
        auto window = open(site);
        QTRY_VERIFY(child<QPushButton>(window.get(), "cmdUpdate")->isEnabled());
        QSignalSpy complete(window->donlod1(), &Downloader::DownloadComplete);
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdUpdate"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 1, 60000);
        const QString said = child<QLabel>(window.get(), "lblupdate")->text();
        QVERIFY2(said.contains("could not be downloaded") && said.contains(cause),
                 qPrintable(said));
        QVERIFY(child<QPushButton>(window.get(), "cmdUpdate")->isEnabled()); // may try again
    }

    void failedDownloadIsNoCompleteDownload() {
        auto window = open("pkg500");
        QTRY_VERIFY(child<QPushButton>(window.get(), "cmdUpdate")->isEnabled());
        QSignalSpy complete(window->donlod1(), &Downloader::DownloadComplete);
        QSignalSpy error(window->donlod1(), &Downloader::DownloadError);
        const std::string target = (m_program->path() / "Quorvel.rar").string();
        QTest::mouseClick(child<QPushButton>(window.get(), "cmdUpdate"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 1, 60000);
        QCOMPARE(error.size(), 1);
        QCOMPARE(complete.at(0).at(0).toLongLong(), 0);
        QVERIFY(!PathExists(target));
        QVERIFY(!shownText("Download Complete !"));
        QVERIFY(shownText("HTTP 500"));
    }

    void downloaderKeepsItsSize() {
        auto window = open("v15");
        auto* downloader = window->donlod1();
        downloader->resize(200, 90);
        QCOMPARE(downloader->size(), QSize(32, 32));
    }
};

QTEST_MAIN(frmCekUpdatesTest)
#include "frmCekUpdates_test.moc"
