#include "gui/frmWindows.h"

namespace quorvel::gui {

frmWindows::frmWindows(uint32_t /*pid*/, const QString& /*name*/, AppContext& /*context*/,
                       QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName("frmWindows");
}

frmWindows::~frmWindows() = default;

} // namespace quorvel::gui
