#pragma once

#include "scan/VirusScan.h"

#include <QFrame>
#include <QTimer>
#include <memory>
#include <string>

namespace Ui {
class frVirusScan;
}

namespace quorvel::gui {

struct AppContext;

// The virus scan panel of the main window: starts the external scanner without waiting
// for it, shows that it runs, and appends its report on every "Read Result".
class frVirusScan : public QFrame {
    Q_OBJECT

public:
    explicit frVirusScan(AppContext& context, QWidget* parent = nullptr);
    ~frVirusScan() override;

    // Where the scanner runs and leaves its report; the program folder unless an
    // installed build keeps it elsewhere.
    void setReportFolder(const std::string& folder);

    // bacareport
    void bacareport();

private:
    void startScan();
    void pollScanner();

    AppContext& m_context;
    std::unique_ptr<Ui::frVirusScan> m_ui;
    std::unique_ptr<scan::VirusScan> m_scan;
    QTimer m_scannerTimer;
    uint32_t m_scannerPid = 0;
};

} // namespace quorvel::gui
