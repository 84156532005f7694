#include "gui/frmAlert.h"

#include "gui/AppContext.h"

#include <QCloseEvent>

namespace quorvel::gui {

frmAlert::frmAlert(std::shared_ptr<guard::Alert> alert, AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_alert(std::move(alert)), m_context(context) {
    setObjectName("frmAlert");
    setAttribute(Qt::WA_DeleteOnClose);
}

frmAlert::~frmAlert() = default;

void frmAlert::closeIfAnswered() {
    if (m_alert->answered())
        close();
}

void frmAlert::countdownTick() {
    m_alert->CountdownTick();
    closeIfAnswered();
}

void frmAlert::closeEvent(QCloseEvent* event) {
    if (!m_alert->CanClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace quorvel::gui
