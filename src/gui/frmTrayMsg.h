#pragma once

#include "guard/PopupSchedule.h"

#include <QWidget>
#include <memory>

class QTimer;

namespace Ui {
class frmTrayMsg;
}

namespace quorvel::gui {

// The popup that slides up at the bottom right of the screen; one instance takes new text.
class frmTrayMsg : public QWidget {
    Q_OBJECT

public:
    // Shows (or re-uses) the one popup with this title and message.
    static frmTrayMsg* ShowTrayMessage(const QString& title, const QString& message);
    // The open popup, or null.
    static frmTrayMsg* instance();
    // Tests: the three timers stay off and the tick slots are called by hand.
    static void setManualTicks(bool manual);

    ~frmTrayMsg() override;

    const guard::PopupSchedule& schedule() const { return *m_schedule; }
    QString title() const;
    QString message() const;

public slots:
    void TimerLoad_Timer();
    void TimerUnloadTime_Timer();
    void TimerUnload1_Timer();
    void cmdClose_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit frmTrayMsg(QWidget* parent = nullptr);
    // Follows the schedule: timers on or off, the window where it stands, or unloaded.
    void follow();

    std::unique_ptr<Ui::frmTrayMsg> m_ui;
    std::unique_ptr<guard::PopupSchedule> m_schedule;
    QTimer* m_timerLoad;
    QTimer* m_timerUnloadTime;
    QTimer* m_timerUnload1;
};

} // namespace quorvel::gui
