// Shows the scan panel with a report and the update window after a finished download,
// and saves each as a PNG. Run by scan_update.sh under an X server, with the update
// tests' server at the URL given.
#include "gui/AppContext.h"
#include "gui/Downloader.h"
#include "gui/MessageBox.h"
#include "gui/frVirusScan.h"
#include "gui/frmCekUpdates.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>

using namespace quorvel;

namespace {

// A report as the scanner leaves it after finding a test signature.
constexpr const char* kReport =
    "Scanned 4 running programs.\n"
    "\n"
    "-------------------------------------------------------------------------------\n"
    "\n"
    "/opt/demo/victim: Quorvel.Test.Victim.UNOFFICIAL FOUND\n"
    "\n"
    "----------- SCAN SUMMARY -----------\n"
    "Known viruses: 1\n"
    "Engine version: 1.4.6\n"
    "Scanned files: 4\n"
    "Infected files: 1\n"
    "Time: 0.221 sec (0 m 0 s)\n";

bool save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    QTest::qWait(200);
    return widget.grab().save(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: scan_update_screens OUTDIR SERVER_URL\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const std::string server = argv[2];
    gui::MessageBox::enableTestMode();

    QTemporaryDir program;
    QDir(program.path()).mkpath("Data");
    std::ofstream(program.filePath("clamreport.txt").toStdString()) << kReport;
    std::ofstream(program.filePath("Data/update.ini").toStdString())
        << "[Update]\nServer=" << server << "/pkg\n";

    auto platform = platform::CreateNativePlatform();
    gui::AppContext context{platform, program.filePath("Data").toStdString(),
                            program.path().toStdString()};

    gui::frVirusScan panel(context);
    panel.resize(560, 440);
    panel.show();
    panel.bacareport();
    if (!save(panel, out + "/frVirusScan.png"))
        return 1;

    auto* window = new gui::frmCekUpdates(context);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    auto* update = window->findChild<QPushButton*>("cmdUpdate");
    if (!QTest::qWaitFor([&] { return update->isEnabled(); }, 30000))
        return 1;
    QSignalSpy complete(window->donlod1(), &gui::Downloader::DownloadComplete);
    update->click();
    if (!QTest::qWaitFor([&] { return complete.size() == 1; }, 60000))
        return 1;
    const bool saved = save(*window, out + "/frmCekUpdates.png");
    delete window;
    return saved ? 0 : 1;
}
