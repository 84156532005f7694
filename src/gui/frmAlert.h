#pragma once

#include "guard/Alert.h"

#include <QWidget>
#include <memory>

class QLabel;
class QTimer;

namespace Ui {
class frmAlert;
}

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
    // The duration chosen beside the answers; "This time" until the user picks another.
    guard::AnswerDuration duration() const;

public slots:
    // The engine has answered this alert (a button, the countdown, or the exit sequence).
    void closeIfAnswered();
    // The 1000 ms countdown's tick.
    void countdownTick();

    void uc7Allow_Click();
    void uc7Block_Click();
    void uc7Kill_Click();
    void lblListWin_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void popForm();
    void placeKillNowHint();

    std::unique_ptr<Ui::frmAlert> m_ui;
    std::shared_ptr<guard::Alert> m_alert;
    AppContext& m_context;
    QTimer* m_tmr;
    QLabel* m_killNowHint;
};

} // namespace quorvel::gui
