#include "gui/frVirusScan.h"

namespace quorvel::gui {

frVirusScan::frVirusScan(AppContext&, QWidget* parent) : QFrame(parent) {
    setObjectName("frVirusScan");
}

frVirusScan::~frVirusScan() = default;

} // namespace quorvel::gui
