#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class frmLogin;
}

namespace quorvel::gui {

struct AppContext;

// The password prompt in front of the main window when it is reopened from the tray.
class frmLogin : public QWidget {
    Q_OBJECT

public:
    explicit frmLogin(AppContext& context, QWidget* parent = nullptr);
    ~frmLogin() override;

signals:
    // The right password: the main window shows itself.
    void passwordAccepted();
    // "Cancel": the main window puts its tray icon back.
    void cancelled();

public slots:
    void cmd_login_Click();
    void cmdCancel_Click();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::frmLogin> m_ui;
    AppContext& m_context;
};

} // namespace quorvel::gui
