#include "gui/frmLogin.h"

#include "access/Password.h"
#include "access/PasswordFile.h"
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/PasswordStyle.h"
#include "store/DataFolder.h"
#include "ui_frmLogin.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>

namespace quorvel::gui {

frmLogin::frmLogin(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::frmLogin>()), m_context(context) {
    m_ui->setupUi(this);
    setObjectName("frmLogin");
    PasswordStyle::apply(m_ui->txtPassword, static_cast<int>(access::kMaxPasswordLength));
    connect(m_ui->cmd_login, &QPushButton::clicked, this, &frmLogin::cmd_login_Click);
    connect(m_ui->txtPassword, &QLineEdit::returnPressed, this, &frmLogin::cmd_login_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
}

frmLogin::~frmLogin() = default;

void frmLogin::cmd_login_Click() {
    const store::DataFolder folder(m_context.dataFolder, QDir::separator().toLatin1());
    access::PasswordFile file(*m_context.platform.files, *m_context.platform.ansi,
                              folder.setDbPath());
    const access::LoginOutcome outcome = file.Continue(m_ui->txtPassword->text().toStdString());
    if (outcome.accepted) {
        m_ui->txtPassword->clear();
        hide();
        emit passwordAccepted();
        return;
    }
    if (outcome.message)
        MessageBox::show(this, *outcome.message);
    m_ui->txtPassword->clear();
    m_ui->txtPassword->setFocus();
}

void frmLogin::cmdCancel_Click() {
    m_ui->txtPassword->clear();
    hide();
    emit cancelled();
}

bool frmLogin::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        m_ui->txtPassword->setFocus();
    return QWidget::event(event);
}

// The user's close box is "Cancel": without it the hidden main window would have no tray
// icon left to be reopened from. The program closing the prompt (at exit) cancels nothing.
void frmLogin::closeEvent(QCloseEvent* event) {
    if (event->spontaneous() && isVisible()) {
        event->ignore();
        cmdCancel_Click();
        return;
    }
    m_ui->txtPassword->clear();
    QWidget::closeEvent(event);
}

} // namespace quorvel::gui
