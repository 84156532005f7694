#pragma once

#include <QWidget>

namespace quorvel::gui {

struct AppContext;

// The registry policy window.
class frmRegedit : public QWidget {
    Q_OBJECT

public:
    explicit frmRegedit(AppContext& context, QWidget* parent = nullptr);
    ~frmRegedit() override;
};

} // namespace quorvel::gui
