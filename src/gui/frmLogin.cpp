#include "gui/frmLogin.h"

namespace quorvel::gui {

frmLogin::frmLogin(AppContext& /*context*/, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmLogin");
}

frmLogin::~frmLogin() = default;

} // namespace quorvel::gui
