#pragma once

#include <QFrame>

namespace quorvel::gui {

struct AppContext;

// The virus scan panel of the main window.
class frVirusScan : public QFrame {
    Q_OBJECT

public:
    explicit frVirusScan(AppContext& context, QWidget* parent = nullptr);
    ~frVirusScan() override;
};

} // namespace quorvel::gui
