#pragma once

#include <QWidget>

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
};

} // namespace quorvel::gui
