#pragma once

#include <QWidget>

namespace quorvel::gui {

// The about box.
class frmAbout : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;
};

} // namespace quorvel::gui
