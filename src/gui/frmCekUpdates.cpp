#include "gui/frmCekUpdates.h"

namespace quorvel::gui {

frmCekUpdates::frmCekUpdates(AppContext& /*context*/, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName("frmCekUpdates");
}

frmCekUpdates::~frmCekUpdates() = default;

} // namespace quorvel::gui
