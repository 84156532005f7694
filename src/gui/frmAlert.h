#pragma once

#include "guard/Alert.h"

#include <QWidget>
#include <memory>

namespace quorvel::gui {

struct AppContext;

// One held process waiting for an answer. Closes itself once its alert is answered; the
// close box is refused before that.
class frmAlert : public QWidget {
    Q_OBJECT

public:
    frmAlert(std::shared_ptr<guard::Alert> alert, AppContext& context, QWidget* parent = nullptr);
    ~frmAlert() override;

    const guard::Alert& alert() const { return *m_alert; }

public slots:
    // The engine has answered this alert (a button, the countdown, or the exit sequence).
    void closeIfAnswered();
    // The 1000 ms countdown's tick.
    void countdownTick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::shared_ptr<guard::Alert> m_alert;
    AppContext& m_context;
};

} // namespace quorvel::gui
