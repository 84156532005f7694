#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class frmChangePass;
}

namespace quorvel::gui {

struct AppContext;

// Changes the password in set.db.
class frmChangePass : public QWidget {
    Q_OBJECT

public:
    explicit frmChangePass(AppContext& context, QWidget* parent = nullptr);
    ~frmChangePass() override;

public slots:
    void cmdganti_Click();

protected:
    // Unloading forgets what was typed.
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<Ui::frmChangePass> m_ui;
    AppContext& m_context;
};

} // namespace quorvel::gui
