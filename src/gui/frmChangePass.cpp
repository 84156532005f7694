#include "gui/frmChangePass.h"

namespace quorvel::gui {

frmChangePass::frmChangePass(AppContext& /*context*/, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName("frmChangePass");
}

frmChangePass::~frmChangePass() = default;

} // namespace quorvel::gui
