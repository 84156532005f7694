#include "gui/frmAbout.h"

#include "ui_frmAbout.h"

namespace quorvel::gui {

frmAbout::frmAbout(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::frmAbout>()) {
    m_ui->setupUi(this);
    setObjectName("frmAbout");
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QWidget::close);
}

frmAbout::~frmAbout() = default;

} // namespace quorvel::gui
