#include "gui/frmTrayMsg.h"

#include "ui_frmTrayMsg.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace quorvel::gui {

namespace {

QPointer<frmTrayMsg> g_instance;
bool g_manualTicks = false;

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs, bool singleShot) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(intervalMs);
    timer->setSingleShot(singleShot);
    return timer;
}

void SetRunning(QTimer* timer, bool on) {
    if (!on || g_manualTicks)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

// The whole screen, taskbar included, at its real DPI.
guard::PopupSchedule LoadStep() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return guard::PopupSchedule({0, 0, 1024, 768}, 96.0, 96.0);
    const QRect area = screen->geometry();
    return guard::PopupSchedule({area.x(), area.y(), area.width(), area.height()},
                                screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
}

} // namespace

frmTrayMsg::frmTrayMsg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::X11BypassWindowManagerHint),
      m_ui(std::make_unique<Ui::frmTrayMsg>()),
      m_schedule(std::make_unique<guard::PopupSchedule>(LoadStep())),
      m_timerLoad(MakeTimer(this, "TimerLoad", guard::kPopupSlideTickMs, false)),
      m_timerUnloadTime(MakeTimer(this, "TimerUnloadTime", guard::kPopupHoldMs, true)),
      m_timerUnload1(MakeTimer(this, "TimerUnload1", guard::kPopupCloseTickMs, false)) {
    m_ui->setupUi(this);
    setObjectName("frmTrayMsg");
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    QFont titleFont = m_ui->lblTitle->font();
    titleFont.setPointSizeF(13.5);
    m_ui->lblTitle->setFont(titleFont);
    QFont messageFont = m_ui->lblMessage->font();
    messageFont.setPointSizeF(8.25);
    m_ui->lblMessage->setFont(messageFont);

    connect(m_timerLoad, &QTimer::timeout, this, &frmTrayMsg::TimerLoad_Timer);
    connect(m_timerUnloadTime, &QTimer::timeout, this, &frmTrayMsg::TimerUnloadTime_Timer);
    connect(m_timerUnload1, &QTimer::timeout, this, &frmTrayMsg::TimerUnload1_Timer);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &frmTrayMsg::cmdClose_Click);

    const guard::PixelRect rect = m_schedule->geometry();
    setFixedSize(rect.width, rect.height);
    follow();
}

frmTrayMsg::~frmTrayMsg() = default;

frmTrayMsg* frmTrayMsg::instance() {
    return g_instance.data();
}

void frmTrayMsg::setManualTicks(bool manual) {
    g_manualTicks = manual;
}

// A popup already up keeps its schedule and only takes the new text.
frmTrayMsg* frmTrayMsg::ShowTrayMessage(const QString& title, const QString& message) {
    if (!g_instance)
        g_instance = new frmTrayMsg();
    g_instance->m_ui->lblTitle->setText(title);
    g_instance->setWindowTitle(title);
    g_instance->m_ui->lblMessage->setText(message);
    g_instance->show();
    return g_instance.data();
}

QString frmTrayMsg::title() const {
    return m_ui->lblTitle->text();
}

QString frmTrayMsg::message() const {
    return m_ui->lblMessage->text();
}

void frmTrayMsg::TimerLoad_Timer() {
    m_schedule->SlideTick();
    follow();
}

void frmTrayMsg::TimerUnloadTime_Timer() {
    m_schedule->HoldTick();
    follow();
}

void frmTrayMsg::TimerUnload1_Timer() {
    m_schedule->CloseTick();
    follow();
}

void frmTrayMsg::cmdClose_Click() {
    m_schedule->CloseClicked();
    follow();
}

// However it is closed, the next message loads a new popup, even before this one is deleted.
void frmTrayMsg::closeEvent(QCloseEvent* event) {
    if (g_instance == this)
        g_instance = nullptr;
    QWidget::closeEvent(event);
}

void frmTrayMsg::follow() {
    if (m_schedule->closed()) {
        m_timerLoad->stop();
        m_timerUnloadTime->stop();
        m_timerUnload1->stop();
        close();
        return;
    }
    SetRunning(m_timerLoad, m_schedule->slideTimerOn());
    SetRunning(m_timerUnloadTime, m_schedule->holdTimerOn());
    SetRunning(m_timerUnload1, m_schedule->closeTimerOn());
    const guard::PixelRect rect = m_schedule->geometry();
    if (pos() != QPoint(rect.left, rect.top))
        move(rect.left, rect.top);
}

} // namespace quorvel::gui
