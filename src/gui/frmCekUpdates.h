#pragma once

#include <QWidget>

namespace quorvel::gui {

struct AppContext;

// The update check and the package download.
class frmCekUpdates : public QWidget {
    Q_OBJECT

public:
    explicit frmCekUpdates(AppContext& context, QWidget* parent = nullptr);
    ~frmCekUpdates() override;
};

} // namespace quorvel::gui
