#include "gui/frmWindows.h"

#include "gui/AppContext.h"
#include "inspect/ProcessWindows.h"
#include "ui_frmWindows.h"

#include <QPointer>

namespace quorvel::gui {

namespace {
QPointer<frmWindows> g_shared;
}

frmWindows::frmWindows(uint32_t pid, const QString& name, AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ui(std::make_unique<Ui::frmWindows>()), m_context(context) {
    m_ui->setupUi(this);
    setObjectName("frmWindows");
    connect(m_ui->uc7Exit, &QPushButton::clicked, this, &QWidget::close);
    Rebuild(pid, name);
}

frmWindows::~frmWindows() = default;

frmWindows* frmWindows::instance() {
    return g_shared.data();
}

frmWindows* frmWindows::ShowFor(uint32_t pid, const QString& name, AppContext& context) {
    if (g_shared) {
        g_shared->Rebuild(pid, name);
    } else {
        g_shared = new frmWindows(pid, name, context);
        g_shared->setAttribute(Qt::WA_DeleteOnClose);
        g_shared->setAttribute(Qt::WA_QuitOnClose, false);
        // Opened from an alert, which stays on top: the list must not open beneath it.
        g_shared->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    // Brought back and to the front even when it was minimised meanwhile.
    g_shared->setWindowState(g_shared->windowState() & ~Qt::WindowMinimized);
    g_shared->show();
    g_shared->raise();
    g_shared->activateWindow();
    return g_shared.data();
}

void frmWindows::Rebuild(uint32_t pid, const QString& name) {
    m_pid = pid;
    m_ui->lblTarget->setText(QStringLiteral("%1 (PID %2)").arg(name).arg(pid));
    m_ui->lstWindows->clear();
    const auto titles = inspect::CollectWindowTitles(*m_context.platform.windows, pid);
    if (titles.empty())
        m_ui->lstWindows->addItem(QStringLiteral("No Associated Windows"));
    for (const auto& title : titles)
        m_ui->lstWindows->addItem(QString::fromStdString(title));
}

QStringList frmWindows::lines() const {
    QStringList result;
    for (int i = 0; i < m_ui->lstWindows->count(); ++i)
        result << m_ui->lstWindows->item(i)->text();
    return result;
}

} // namespace quorvel::gui
