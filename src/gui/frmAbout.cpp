#include "gui/frmAbout.h"

namespace quorvel::gui {

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmAbout");
}

frmAbout::~frmAbout() = default;

} // namespace quorvel::gui
