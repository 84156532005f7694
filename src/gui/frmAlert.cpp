#include "gui/frmAlert.h"

#include "gui/AppContext.h"
#include "gui/frmWindows.h"
#include "ui_frmAlert.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

namespace quorvel::gui {

namespace {

constexpr int kCountdownPeriodMs = 1000;
const QString kAdviceLead = QStringLiteral("If you not trust this process,");
const QString kAdviceGap = QString(24, QLatin1Char(' '));

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

frmAlert::frmAlert(std::shared_ptr<guard::Alert> alert, AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::frmAlert>()), m_alert(std::move(alert)), m_context(context),
      m_tmr(new QTimer(this)), m_killNowHint(nullptr) {
    m_ui->setupUi(this);
    setObjectName("frmAlert");
    setAttribute(Qt::WA_DeleteOnClose);

    // "Kill Now" stands in the blank gap of the advice line.
    m_killNowHint = new QLabel(QStringLiteral("Kill Now"), m_ui->lblAdvice);
    m_killNowHint->setObjectName("lblKillNowHint");
    QFont bold = m_killNowHint->font();
    bold.setBold(true);
    m_killNowHint->setFont(bold);
    m_killNowHint->setStyleSheet(QStringLiteral("color: #c00000;"));

    for (const guard::AnswerDuration duration : guard::kAnswerDurations)
        m_ui->cboDuration->addItem(Text(std::string(guard::DurationText(duration))));
    m_ui->cboDuration->setCurrentIndex(0);
    // The closed box keeps the window's width; the open list shows each choice whole.
    QAbstractItemView* choices = m_ui->cboDuration->view();
    choices->setMinimumWidth(choices->sizeHintForColumn(0) + 2 * choices->frameWidth() +
                             choices->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    m_ui->lblListWin->installEventFilter(this);
    connect(m_ui->uc7Allow, &QPushButton::clicked, this, &frmAlert::uc7Allow_Click);
    connect(m_ui->uc7Block, &QPushButton::clicked, this, &frmAlert::uc7Block_Click);
    connect(m_ui->uc7Kill, &QPushButton::clicked, this, &frmAlert::uc7Kill_Click);

    popForm();

    m_tmr->setObjectName("tmr");
    m_tmr->setInterval(kCountdownPeriodMs);
    connect(m_tmr, &QTimer::timeout, this, &frmAlert::countdownTick);
    m_tmr->start();
}

frmAlert::~frmAlert() = default;

// The engine read the slot and the jail when it held the process; the window shows that.
void frmAlert::popForm() {
    const guard::AlertInfo& info = m_alert->info();
    m_ui->lblProcName->setText(Text(info.name));
    m_ui->lblPID->setText(QString::number(info.pid));
    m_ui->lblParent->setText(QString::number(info.parentPid));
    m_ui->lblChild->setText(QString::number(info.windowCount));
    m_ui->lblFilename->setText(Text(info.szExeFile));
    m_ui->lblFilename->setToolTip(Text(info.path));
    m_ui->lblAttempts->setText(Text(info.attempts));
    m_ui->lblLastAction->setText(Text(info.lastAction));
    m_ui->lblCount->setText(QString::number(m_alert->countdown()));
}

void frmAlert::closeIfAnswered() {
    if (!m_alert->answered())
        return;
    m_tmr->stop();
    close();
}

void frmAlert::countdownTick() {
    m_alert->CountdownTick();
    m_ui->lblCount->setText(QString::number(m_alert->countdown()));
    closeIfAnswered();
}

guard::AnswerDuration frmAlert::duration() const {
    const int index = m_ui->cboDuration->currentIndex();
    if (index < 0 || index >= static_cast<int>(guard::kAnswerDurations.size()))
        return guard::AnswerDuration::ThisTime;
    return guard::kAnswerDurations[static_cast<size_t>(index)];
}

void frmAlert::uc7Allow_Click() {
    m_alert->Allow(duration());
    closeIfAnswered();
}

void frmAlert::uc7Block_Click() {
    m_alert->Block(duration());
    closeIfAnswered();
}

void frmAlert::uc7Kill_Click() {
    m_alert->KillNow();
    closeIfAnswered();
}

void frmAlert::lblListWin_Click() {
    const uint32_t pid = m_ui->lblPID->text().toUInt();
    frmWindows::ShowFor(pid, m_ui->lblProcName->text(), m_context);
}

void frmAlert::closeEvent(QCloseEvent* event) {
    if (!m_alert->CanClose()) {
        event->ignore();
        return;
    }
    m_tmr->stop();
    event->accept();
}

bool frmAlert::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->lblListWin && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblListWin_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmAlert::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    placeKillNowHint();
}

void frmAlert::placeKillNowHint() {
    const QFontMetrics advice = m_ui->lblAdvice->fontMetrics();
    const int gapStart = advice.horizontalAdvance(kAdviceLead);
    const int gapWidth = advice.horizontalAdvance(kAdviceGap);
    m_killNowHint->adjustSize();
    const int x = gapStart + std::max(0, (gapWidth - m_killNowHint->width()) / 2);
    const int y = (m_ui->lblAdvice->height() - m_killNowHint->height()) / 2;
    m_killNowHint->move(x, std::max(0, y));
}

} // namespace quorvel::gui
