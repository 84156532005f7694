#pragma once

#include <QWidget>

namespace quorvel::gui {

struct AppContext;

// Changes the password in set.db.
class frmChangePass : public QWidget {
    Q_OBJECT

public:
    explicit frmChangePass(AppContext& context, QWidget* parent = nullptr);
    ~frmChangePass() override;
};

} // namespace quorvel::gui
