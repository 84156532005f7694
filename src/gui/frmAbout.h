#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class frmAbout;
}

namespace quorvel::gui {

// The about box.
class frmAbout : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

private:
    std::unique_ptr<Ui::frmAbout> m_ui;
};

} // namespace quorvel::gui
