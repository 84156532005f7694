#include "gui/frmTrayMsg.h"

#include <QPointer>

namespace quorvel::gui {

namespace {
QPointer<frmTrayMsg> g_instance;
}

frmTrayMsg::frmTrayMsg(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName("frmTrayMsg");
    setAttribute(Qt::WA_DeleteOnClose);
}

frmTrayMsg::~frmTrayMsg() = default;

frmTrayMsg* frmTrayMsg::instance() {
    return g_instance.data();
}

frmTrayMsg* frmTrayMsg::ShowTrayMessage(const QString& title, const QString& message) {
    if (!g_instance)
        g_instance = new frmTrayMsg();
    g_instance->setWindowTitle(title);
    g_instance->setToolTip(message);
    g_instance->show();
    return g_instance.data();
}

} // namespace quorvel::gui
