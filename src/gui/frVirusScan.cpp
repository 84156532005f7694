#include "gui/frVirusScan.h"

#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "ui_frVirusScan.h"

#include <chrono>

namespace quorvel::gui {

namespace {
constexpr auto kScannerPoll = std::chrono::milliseconds(500);
}

frVirusScan::frVirusScan(AppContext& context, QWidget* parent)
    : QFrame(parent), m_context(context), m_ui(std::make_unique<Ui::frVirusScan>()) {
    m_ui->setupUi(this);
    setObjectName("frVirusScan");
    setReportFolder(context.scanFolderOrProgram());
    m_scannerTimer.setInterval(kScannerPoll);
    connect(&m_scannerTimer, &QTimer::timeout, this, &frVirusScan::pollScanner);
    connect(m_ui->CmdScan, &QPushButton::clicked, this, &frVirusScan::startScan);
    connect(m_ui->cmdreadreport, &QPushButton::clicked, this, &frVirusScan::bacareport);
}

frVirusScan::~frVirusScan() = default;

void frVirusScan::setReportFolder(const std::string& folder) {
    m_scan = std::make_unique<scan::VirusScan>(
        m_context.platform, scan::ScanLocations::For(m_context.scannerBaseOrProgram(), folder,
                                                     m_context.platform.files->PathSeparator()));
}

void frVirusScan::startScan() {
    const auto start = m_scan->Start(std::chrono::system_clock::now());
    if (start.message) {
        MessageBox::show(this, *start.message);
        return;
    }
    m_ui->lbllastscan->setText(QString::fromStdString(start.lastScanText));
    m_scannerPid = start.pid;
    if (m_scannerPid != 0) {
        m_ui->prgScan->setVisible(true);
        m_scannerTimer.start();
    }
}

void frVirusScan::pollScanner() {
    if (m_scan->IsRunning(m_scannerPid))
        return;
    m_scannerTimer.stop();
    m_scannerPid = 0;
    m_ui->prgScan->setVisible(false);
}

void frVirusScan::bacareport() {
    const auto read = m_scan->ReadReport();
    if (read.message) {
        MessageBox::show(this, *read.message);
        return;
    }
    if (read.appended.empty())
        return;
    QString appended = QString::fromStdString(read.appended);
    appended.replace("\r\n", "\n");
    m_ui->txtScanresult->setPlainText(m_ui->txtScanresult->toPlainText() + appended);
    m_ui->txtScanresult->moveCursor(QTextCursor::End);
}

} // namespace quorvel::gui
