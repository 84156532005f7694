#include "gui/frmRegedit.h"

namespace quorvel::gui {

frmRegedit::frmRegedit(AppContext& /*context*/, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmRegedit");
}

frmRegedit::~frmRegedit() = default;

} // namespace quorvel::gui
