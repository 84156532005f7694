#include "gui/frmAnalyze.h"

namespace quorvel::gui {

frmAnalyze::frmAnalyze(AppContext& /*context*/, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmAnalyze");
}

frmAnalyze::~frmAnalyze() = default;

} // namespace quorvel::gui
