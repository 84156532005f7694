#include "gui/frmCekUpdates.h"

#include "gui/AppContext.h"
#include "gui/Downloader.h"
#include "gui/MessageBox.h"
#include "store/DataFolder.h"
#include "ui_frmCekUpdates.h"
#include "update/PackageDownload.h"
#include "update/UpdateCheck.h"
#include "update/UpdateServer.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QTimer>

namespace quorvel::gui {

frmCekUpdates::frmCekUpdates(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_ui(std::make_unique<Ui::frmCekUpdates>()) {
    m_ui->setupUi(this);
    setObjectName("frmCekUpdates");
    setAttribute(Qt::WA_DeleteOnClose);
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    auto& platform = context.platform;
    const char separator = platform.files->PathSeparator();
    m_iniPath = store::DataFolder(context.dataFolder, separator).file(update::kUpdateIniName);
    m_serverBase = update::LoadServerBase(*platform.files, m_iniPath);
    m_packagePath = update::PackagePath(context.downloadFolderOrProgram(), separator);

    m_donlod1 = new Downloader(*platform.internet, m_ui->donlod1Holder);
    m_donlod1->setObjectName("donlod1");
    m_ui->donlod1Holder->setFixedSize(32, 32);

    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->cmdUpdate, &QPushButton::clicked, this, &frmCekUpdates::updateNow);
    connect(m_donlod1, &Downloader::DownloadProgress, this,
            [this](qint64 cur, qint64 max, const QString&) { showProgress(cur, max); });
    connect(m_donlod1, &Downloader::DownloadComplete, this,
            [this](qint64 max, const QString&) { downloadEnded(max); });
    connect(m_donlod1, &Downloader::DownloadFailed, m_ui->lblupdate, &QLabel::setText);
}

frmCekUpdates::~frmCekUpdates() {
    m_check.reset(); // its last report may still be posted to this window
}

void frmCekUpdates::setPackagePath(const std::string& path) {
    m_packagePath = path;
}

void frmCekUpdates::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_checked) {
        m_checked = true;
        // After the window is on screen, so a slow server leaves it drawn.
        QTimer::singleShot(0, this, &frmCekUpdates::checkOnLoad);
    }
}

void frmCekUpdates::checkOnLoad() {
    cekupdate();
}

void frmCekUpdates::cekupdate() {
    if (m_check)
        return;
    m_ui->lblupdate->setText(update::kChecking);
    m_ui->cmdUpdate->setEnabled(false);
    // The worker posts the outcome here; this window outlives it (see the destructor).
    m_check = std::make_unique<update::UpdateCheckRun>(
        *m_context.platform.internet, *m_context.platform.ansi, m_serverBase, m_iniPath,
        [this](const update::UpdateOutcome& outcome) {
            QMetaObject::invokeMethod(
                this, [this, outcome] { checkDone(outcome); }, Qt::QueuedConnection);
        });
}

bool frmCekUpdates::checking() const {
    return m_check != nullptr;
}

void frmCekUpdates::checkDone(const update::UpdateOutcome& outcome) {
    m_check.reset();
    if (m_deleteWhenIdle) {
        deleteOnceIdle();
        return;
    }
    m_ui->lblupdate->setText(
        QString::fromStdString(outcome.checked ? outcome.lblupdate : update::kLblUpdateDesign));
    if (outcome.checked)
        m_ui->lblnew->setText(QString::fromStdString(outcome.lblnew));
    m_ui->cmdUpdate->setEnabled(outcome.updateEnabled);
    if (outcome.message)
        MessageBox::show(this, *outcome.message);
}

// Closing never waits for a server: the transfers are told to stop, the window goes from
// the screen at once, and it is deleted once they have.
void frmCekUpdates::closeEvent(QCloseEvent* event) {
    const bool busy = m_check || m_donlod1->running();
    if (busy && testAttribute(Qt::WA_DeleteOnClose)) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        m_deleteWhenIdle = true;
    }
    if (m_check)
        m_check->Cancel();
    m_donlod1->Cancel();
    QWidget::closeEvent(event);
}

void frmCekUpdates::deleteOnceIdle() {
    if (!m_check && !m_donlod1->running())
        deleteLater();
}

void frmCekUpdates::updateNow() {
    m_ui->cmdUpdate->setEnabled(false);
    m_ui->prgDownload->setRange(0, 0); // busy until the size is known
    m_donlod1->BeginDownload(QString::fromStdString(update::PackageUrl(m_serverBase)),
                             QString::fromStdString(m_packagePath));
    const size_t slash = m_packagePath.find_last_of(m_context.platform.files->PathSeparator());
    MessageBox::show(this, update::UpdateStartedMessage(slash == std::string::npos
                                                            ? m_packagePath
                                                            : m_packagePath.substr(0, slash)));
}

void frmCekUpdates::showProgress(qint64 curBytes, qint64 maxBytes) {
    // Kilobytes keep large packages inside the bar's int range.
    m_ui->prgDownload->setRange(0, static_cast<int>(maxBytes / 1024 + 1));
    m_ui->prgDownload->setValue(static_cast<int>(curBytes / 1024 + (curBytes == maxBytes)));
}

void frmCekUpdates::downloadEnded(qint64 maxBytes) {
    if (m_deleteWhenIdle) {
        deleteOnceIdle();
        return;
    }
    m_ui->prgDownload->setRange(0, 1);
    m_ui->prgDownload->setValue(maxBytes > 0 ? 1 : 0);
    m_ui->cmdUpdate->setEnabled(true);
}

} // namespace quorvel::gui
