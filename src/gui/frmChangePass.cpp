#include "gui/frmChangePass.h"

#include "access/Password.h"
#include "access/PasswordFile.h"
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/PasswordStyle.h"
#include "store/DataFolder.h"
#include "ui_frmChangePass.h"

#include <QApplication>
#include <QDir>

namespace quorvel::gui {

frmChangePass::frmChangePass(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::frmChangePass>()), m_context(context) {
    m_ui->setupUi(this);
    setObjectName("frmChangePass");
    // The main window's icon.
    setWindowIcon(parent != nullptr ? parent->window()->windowIcon() : QApplication::windowIcon());
    PasswordStyle::apply(m_ui->Text1, static_cast<int>(access::kMaxPasswordLength));
    connect(m_ui->cmdganti, &QPushButton::clicked, this, &frmChangePass::cmdganti_Click);
    connect(m_ui->Text1, &QLineEdit::returnPressed, this, &frmChangePass::cmdganti_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QWidget::close);
}

frmChangePass::~frmChangePass() = default;

void frmChangePass::cmdganti_Click() {
    const store::DataFolder folder(m_context.dataFolder, QDir::separator().toLatin1());
    access::PasswordFile file(*m_context.platform.files, *m_context.platform.ansi,
                              folder.setDbPath());
    const access::ChangeOutcome outcome = file.ChangeNow(m_ui->Text1->text().toStdString());
    MessageBox::show(this, outcome.message);
    if (!outcome.saved) {
        m_ui->Text1->setFocus();
        return;
    }
    m_ui->Text1->clear();
    close();
}

void frmChangePass::hideEvent(QHideEvent* event) {
    m_ui->Text1->clear();
    QWidget::hideEvent(event);
}

} // namespace quorvel::gui
