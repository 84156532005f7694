#include "gui/frmUtama.h"

#include "guard/DecisionJson.h"
#include "guard/ProcessDetails.h"
#include "gui/AppContext.h"
#include "gui/AppIcon.h"
#include "gui/MessageBox.h"
#include "gui/SnapshotWorker.h"
#include "gui/cSysTray.h"
#include "gui/frVirusScan.h"
#include "gui/frmAbout.h"
#include "gui/frmAlert.h"
#include "gui/frmAnalyze.h"
#include "gui/frmCekUpdates.h"
#include "gui/frmChangePass.h"
#include "gui/frmLogin.h"
#include "gui/frmRegedit.h"
#include "gui/frmTrayMsg.h"
#include "inspect/ModuleList.h"
#include "inspect/ProcessControl.h"
#include "platform/FileDigest.h"
#include "store/FirstStartTrust.h"
#include "store/SelfCheck.h"
#include "ui_frmUtama.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

namespace quorvel::gui {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Number(int value) {
    return QString::number(value);
}

store::DataFolder DataFolderOf(AppContext& context) {
    return store::DataFolder(context.dataFolder, context.platform.files->PathSeparator());
}

int BoxValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void SetBox(QCheckBox* box, int value) {
    // A grayed state shows only when it is stored; a click never produces one.
    box->setTristate(value == 2);
    box->setCheckState(value == 1   ? Qt::Checked
                       : value == 2 ? Qt::PartiallyChecked
                                    : Qt::Unchecked);
}

} // namespace

frmUtama::frmUtama(AppContext& context, const guard::Clock* clock, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmUtama>()), m_context(context),
      m_data(DataFolderOf(context)),
      m_lists(*context.platform.files, *context.platform.ansi, m_data),
      m_settings(
          *context.platform.files, *context.platform.ansi, *context.platform.registry,
          m_data.mainIniPath(),
          store::AutoStartData(*context.platform.shell, context.platform.files->PathSeparator(),
                               context.dataFolderGiven ? context.dataFolder : std::string())),
      m_clock(clock ? *clock : m_systemClock),
      m_audit(platform::CreateDecisionAudit(
          m_data.path(), guard::DecisionJsonLine,
          platform::AuditOptions{
              .generations = store::LoadLogGenerations(*context.platform.files,
                                                       m_data.file(store::kAuditSettingsFile))})),
      m_engine(guard::GuardServices{*context.platform.processes, *context.platform.windows,
                                    *context.platform.shell, m_lists, m_clock,
                                    static_cast<guard::GuardObserver&>(*this)}) {
    ui->setupUi(this);
    setWindowIcon(AppIcon());
    m_engine.UseAnswerLists(&m_lists);

    m_virusScan = new frVirusScan(context, ui->stkPanels);
    m_virusScan->setObjectName("frVirusScan");
    ui->stkPanels->addWidget(m_virusScan);
    ui->stkPanels->setCurrentWidget(ui->MainFrame);

    m_timer = new QTimer(this);
    m_timer->setObjectName("tmrProcRef");
    connect(m_timer, &QTimer::timeout, this, &frmUtama::guardTick);

    m_settingBoxes = {ui->chkselfcheck, ui->chkjustwarnme, ui->chkrun, ui->chkregquorvel,
                      ui->chkauto};
    buildTray();
    connectControls();
    m_settings.setSelfCheck([this] { runSelfCheck(); });
}

frmUtama::~frmUtama() {
    m_timer->stop();
    delete m_execNotifier; // before the descriptor it watches
    m_execNotifier = nullptr;
    m_snapshots.reset();
    for (auto& [alert, window] : m_alerts) {
        if (window) {
            window->disconnect(this);
            delete window.data(); // no child of this window: see OpenAlert
        }
    }
}

void frmUtama::listOnOwnThread(std::unique_ptr<platform::Processes> processes) {
    m_snapshots = std::make_unique<SnapshotWorker>(std::move(processes));
}

void frmUtama::useExecEvents(const platform::ExecEventsOptions& options) {
    m_events = platform::CreateExecEvents(
        *m_context.platform.processes,
        [this](const platform::ExecRequest& request) { return m_triage.Judge(request.name); },
        options);
    // Held execs are listed by the backend that holds them.
    if (m_events->source() == platform::ExecSource::Fanotify)
        m_snapshots = std::make_unique<SnapshotWorker>(*m_context.platform.processes);
    shareTrust();
    if (m_events->pollFd() >= 0) {
        m_execNotifier = new QSocketNotifier(m_events->pollFd(), QSocketNotifier::Read, this);
        connect(m_execNotifier, &QSocketNotifier::activated, this, &frmUtama::execEventsReady);
    }
}

// The events' thread reads the trust lists while this thread edits them: it gets a copy
// of its own, renewed at each change, and the modes with it.
void frmUtama::shareTrust() {
    if (!m_events)
        return;
    m_engine.UseExecEvents(m_events.get(), &m_triage, m_lists.FrozenCopy());
}

void frmUtama::guardTick() {
    if (!m_snapshots) {
        m_engine.TimerTick();
        return;
    }
    if (m_engine.TimerPassDue())
        requestPass(false);
    else if (m_engine.ListRefreshDue() && !m_snapshots->busy())
        m_engine.EventPass();
}

void frmUtama::execEventsReady() {
    if (m_exited)
        return;
    if (!m_snapshots) {
        m_engine.ExecEventsReady();
        return;
    }
    if (m_engine.TakeExecEvents())
        serveExecEvents();
}

// Events that named their processes are served here and now, reading just those; a
// listing only when the events lost some. While a listing is under way they wait for it:
// a pass meanwhile would make that listing outdated, and under a stream of execs none
// would ever be taken.
void frmUtama::serveExecEvents() {
    if (!m_engine.EventPassPossible()) {
        requestPass(true);
        return;
    }
    if (!m_snapshots->busy())
        m_engine.EventPass();
}

// One listing at a time, and none while a pass runs: each pass then lets go only of the
// held execs its own listing saw. A timer tick that finds a listing under way is
// skipped; an exec is served by another listing once this one is done.
void frmUtama::requestPass(bool again) {
    if (m_exited)
        return;
    if (m_engine.passRunning() || m_snapshots->busy()) {
        m_passWanted = m_passWanted || again;
        return;
    }
    m_passWanted = false;
    const uint64_t listedAt = m_engine.passCount();
    m_snapshots->request([this, listedAt](SnapshotWorker::Listing listing) {
        if (m_exited)
            return;
        const auto outcome = m_engine.TickWith(std::move(listing), listedAt);
        if (outcome == guard::PassOutcome::Outdated || outcome == guard::PassOutcome::Refused)
            m_passWanted = true;
        // Events that came while it listed, read once it is taken.
        if (!m_passWanted && m_engine.EventPassPending() && m_engine.EventPassPossible())
            m_engine.EventPass();
        if (m_passWanted)
            requestPass(true);
    });
}

void frmUtama::buildTray() {
    m_trayMenu = new QMenu("Tray", this);
    m_trayMenu->setObjectName("mnutray");
    QAction* open = m_trayMenu->addAction("&Open Window");
    open->setObjectName("mnuopen");
    m_trayMenu->addSeparator();
    // Has no action.
    m_trayMenu->addAction("Check For Updates")->setObjectName("mnucekupdate");
    QAction* about = m_trayMenu->addAction("About");
    about->setObjectName("mnuabout");
    connect(open, &QAction::triggered, this, &frmUtama::openFromTray);
    connect(about, &QAction::triggered, this, &frmUtama::openAbout);

    m_tray = new cSysTray(this);
    m_tray->setObjectName("cSysTray1");
    m_tray->setTrayIcon(AppIcon());
    m_tray->setTrayTip("Quorvel 1.5");
    m_tray->setMenu(m_trayMenu);
    connect(m_tray, &cSysTray::doubleClicked, this, &frmUtama::openAbout);
}

void frmUtama::connectControls() {
    for (int i = 0; i < kNavigationButtons; ++i) {
        auto* button = findChild<QPushButton*>(QString("cmdbutton_%1").arg(i));
        connect(button, &QPushButton::clicked, this, [this, i] { navigate(i); });
    }
    connect(ui->cmdclamscan, &QPushButton::clicked, this, [this] { showPanel(m_virusScan); });
    // The details frame's way back.
    connect(ui->cmdback, &QPushButton::clicked, this, [this] { showPanel(ui->MainFrame); });

    connect(ui->txtProcRef, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_engine.SetIntervalText(text.toStdString()); });
    connect(ui->uc7Monitor, &QPushButton::clicked, this, [this] { m_engine.StartStopGuard(); });
    connect(ui->uc7Interval, &QPushButton::clicked, this, [this] { m_engine.ApplyInterval(); });

    connect(ui->cmdaddwhite, &QPushButton::clicked, this,
            [this] { addToList(m_lists.whitelist(), ui->List3, ui->Text1->text()); });
    connect(ui->cmdaddblack, &QPushButton::clicked, this,
            [this] { addToList(m_lists.blacklist(), ui->listblack, ui->Text2->text()); });
    connect(ui->cmdremovewhite, &QPushButton::clicked, this,
            [this] { removeFromList(m_lists.whitelist(), ui->List3); });
    connect(ui->cmdremoveblack, &QPushButton::clicked, this,
            [this] { removeFromList(m_lists.blacklist(), ui->listblack); });

    for (int i = 0; i < store::kSettingCount; ++i) {
        QCheckBox* box = m_settingBoxes[static_cast<size_t>(i)];
        const auto key = static_cast<store::SettingKey>(i);
        connect(box, &QCheckBox::clicked, this, [this, key, box] { settingsBoxClicked(key, box); });
    }
    connect(ui->cmdsaveset, &QPushButton::clicked, this, &frmUtama::saveSettings);

    connect(ui->List1, &QListWidget::itemClicked, this, [this] { processListClicked(); });
    connect(ui->cmdkill, &QPushButton::clicked, this, &frmUtama::killSelected);
    connect(ui->cmdrefresh, &QPushButton::clicked, this, [this] { m_engine.Refresh(); });

    connect(ui->List2, &QListWidget::itemClicked, this, [this] { jailListClicked(); });
    connect(ui->uc7MoreInfoJail, &QPushButton::clicked, this, &frmUtama::moreInfo);
    connect(ui->uc7Unblock, &QPushButton::clicked, this, &frmUtama::unblockSelected);
    connect(ui->cmdForget, &QPushButton::clicked, this, &frmUtama::forgetSelected);
}

void frmUtama::StartUp() {
    // Removing the program from the task list has no counterpart a user would want here.
    ui->lblmachine->setText(m_context.platform.shell->Is64BitMachine() ? "64 Bit machine"
                                                                       : "32 Bit machine");
    m_lists.LoadAndShow();
    showTrustList(m_lists.whitelist(), ui->List3);
    showTrustList(m_lists.blacklist(), ui->listblack);

    m_settings.LoadSettings();
    showSettings();
    showSettingsLabels();

    m_engine.SetIntervalText(ui->txtProcRef->text().toStdString());
    m_engine.StartUp(); // guard flags, the first snapshot (judging nothing) and Start
    ui->Loglist->addItem(Q("New programs by " + m_engine.EventSourceText()));

    showTrustCounts();
    CountersChanged();
}

void frmUtama::OfferFirstStartTrust() {
    store::FirstStartTrust offer(*m_context.platform.files, m_data);
    if (!offer.ShouldAsk(m_lists))
        return;
    auto running = m_context.platform.processes->ListProcesses();
    if (!running)
        return; // nothing to offer; asked on a later start
    const auto names = store::RunningProgramNames(running.value());
    const bool yes = MessageBox::question(this, store::FirstStartTrust::kTitle,
                                          Q(store::FirstStartTrust::QuestionText(names)));
    const auto message = offer.Answer(yes, m_lists.whitelist(), names);
    shareTrust();
    showTrustList(m_lists.whitelist(), ui->List3);
    showTrustCounts();
    if (message)
        MessageBox::show(this, *message);
}

// ---- navigation -------------------------------------------------------------------------

void frmUtama::showPanel(QWidget* panel) {
    ui->stkPanels->setCurrentWidget(panel);
}

template <typename Window> void frmUtama::openWindow(int index) {
    QPointer<QWidget>& slot = m_windows[static_cast<size_t>(index)];
    if (!slot) {
        Window* window = nullptr;
        if constexpr (std::is_constructible_v<Window, AppContext&, QWidget*>)
            window = new Window(m_context, this);
        else
            window = new Window(this);
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        slot = window;
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

void frmUtama::navigate(int index) {
    switch (index) {
    case 0:
        return showPanel(ui->MainFrame);
    case 1:
        return showPanel(ui->frLog);
    case 2:
        return openWindow<frmRegedit>(index);
    case 3:
        return showPanel(ui->frSettings);
    case 4:
        return openWindow<frmChangePass>(index);
    case 5:
        return openWindow<frmAbout>(index);
    case 6:
        return openWindow<frmCekUpdates>(index);
    case 7:
        return showPanel(ui->frProses);
    case 8:
        return openWindow<frmAnalyze>(index);
    case 9:
        return showPanel(ui->frBlocked);
    case 10:
        return showPanel(ui->frBlack);
    case 11:
        return showPanel(ui->frWhite);
    default:
        return;
    }
}

QWidget* frmUtama::openedWindow(int index) const {
    if (index < 0 || index >= kNavigationButtons)
        return nullptr;
    return m_windows[static_cast<size_t>(index)];
}

void frmUtama::openAbout() {
    navigate(5);
}

// ---- tray and window state --------------------------------------------------------------

void frmUtama::openFromTray() {
    if (!m_place.OpenWindow())
        return;
    if (!m_login) {
        m_login = new frmLogin(m_context, this);
        m_login->setWindowFlag(Qt::Window);
        connect(m_login, &frmLogin::passwordAccepted, this, [this] {
            if (m_place.PasswordAccepted())
                applyPlace();
        });
        connect(m_login, &frmLogin::cancelled, this, [this] {
            if (m_place.Cancelled())
                applyPlace();
        });
    }
    applyPlace();
}

// The main window is never mapped, not even restored from its minimised state, before the
// right password: restoring a hidden window would map it as an empty frame that takes
// clicks.
void frmUtama::applyPlace() {
    const access::LockedView view = m_place.view();
    if (view.tools) {
        for (auto& tool : m_toolsAway) {
            if (tool)
                tool->show();
        }
        m_toolsAway.clear();
    } else {
        for (auto& tool : m_windows) {
            if (tool && tool->isVisible()) {
                tool->hide();
                m_toolsAway.push_back(tool);
            }
        }
    }
    if (view.mainWindow) {
        // The manager may report the folded window restored while it is withdrawn; the
        // native window then still asks to be mapped iconic, and would fold straight back
        // into the tray. Minimising it again makes the restore below reach the window.
        if (!isVisible() && !isMinimized())
            setWindowState(windowState() | Qt::WindowMinimized);
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        raise();
        activateWindow();
    } else {
        hide();
    }
    m_tray->setInTray(view.trayIcon);
    if (view.login) {
        m_login->show();
        m_login->raise();
        m_login->activateWindow();
    } else if (m_login && m_login->isVisible()) {
        m_login->hide();
    }
}

void frmUtama::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || m_exited)
        return;
    QTimer::singleShot(0, this, [this] {
        // Without a notification area a hidden window could not be reached again.
        if (isMinimized() && !m_exited && m_place.Minimised(cSysTray::available()))
            applyPlace();
    });
}

void frmUtama::closeEvent(QCloseEvent* event) {
    if (m_exited) {
        event->accept();
        return;
    }
    if (!m_engine.ExitSequence()) {
        // A snapshot is still being handled: ask again once it has ended.
        event->ignore();
        QTimer::singleShot(50, this, &QWidget::close);
        return;
    }
    m_exited = true;
    m_timer->stop();
    if (m_execNotifier)
        m_execNotifier->setEnabled(false); // nothing drains the events from here on
    m_tray->setInTray(false);
    for (auto& window : m_windows) {
        if (window)
            window->close();
    }
    if (m_login)
        m_login->close();
    if (frmTrayMsg* popup = frmTrayMsg::instance())
        popup->close();
    event->accept();
    emit programEnded();
}

// ---- guard observer ---------------------------------------------------------------------

// An alert is a window of its own, no child of this one: it must not go into the tray
// with the main window, nor wait behind a message box of it.
void frmUtama::OpenAlert(const std::shared_ptr<guard::Alert>& alert) {
    auto* window = new frmAlert(alert, m_context);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setWindowIcon(windowIcon());
    const int place = m_alertPlaces.Take();
    connect(window, &QObject::destroyed, this, [this, place] { m_alertPlaces.Release(place); });
    m_alerts[alert.get()] = window;
    placeAlert(window, place);
    window->show();
    window->raise();
}

void frmUtama::placeAlert(frmAlert* window, int place) {
    const QScreen* shown = screen();
    if (!shown)
        return;
    window->adjustSize();
    const QRect area = shown->availableGeometry();
    const guard::ScreenPoint corner =
        guard::AlertPosition(guard::WorkArea{area.x(), area.y(), area.width(), area.height()},
                             window->width(), window->height(), place);
    window->move(corner.x, corner.y);
}

void frmUtama::AlertClosed(const guard::Alert& alert) {
    const auto it = m_alerts.find(&alert);
    if (it == m_alerts.end())
        return;
    QPointer<frmAlert> window = it->second;
    m_alerts.erase(it);
    if (window)
        window->closeIfAnswered();
}

frmLogin* frmUtama::login() const {
    return m_login;
}

frmAlert* frmUtama::alertWindow(const guard::Alert& alert) const {
    const auto it = m_alerts.find(&alert);
    return it == m_alerts.end() ? nullptr : it->second.data();
}

void frmUtama::ShowTrayMessage(const std::string& title, const std::string& message) {
    frmTrayMsg::ShowTrayMessage(Q(title), Q(message));
}

void frmUtama::ShowMessage(const std::string& text, const std::string& title,
                           guard::MessageIcon icon) {
    MessageBox::show(this, Q(title), Q(text), icon);
}

bool frmUtama::AskYesNo(const std::string& text, const std::string& title) {
    return MessageBox::question(this, Q(title), Q(text));
}

void frmUtama::ProcessListChanged() {
    const auto& items = m_engine.processList();
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& item : items)
        lines.append(QString::number(item.pid) + '=' + Q(item.name));
    ui->List1->setUpdatesEnabled(false);
    ui->List1->clear();
    ui->List1->addItems(lines);
    ui->List1->setUpdatesEnabled(true);
}

void frmUtama::CountersChanged() {
    const auto& counters = m_engine.counters();
    ui->lbltotaldetect->setText(Number(counters.totalDetected));
    ui->lbllastblok->setText(Q(counters.lastBlocked));
    ui->Label41->setText(Number(counters.blockedOverview));
    ui->lblblocked_1->setText(Number(counters.blockedCount));
    ui->lblblocked_0->setText(Number(counters.blockedCount));
    ui->lblProcRun->setText(Number(counters.processesListed));
    ui->lblaktifproses->setText(ui->lblProcRun->text());
}

void frmUtama::LogLineAdded(const std::string& line) {
    ui->Loglist->addItem(Q(line));
}

void frmUtama::JailListChanged() {
    ui->List2->clear();
    for (const auto& name : m_engine.jail().list())
        ui->List2->addItem(Q(name));
}

void frmUtama::GuardStateChanged() {
    // The guard put the period in effect back in place of a text that is none.
    if (ui->txtProcRef->text() != Q(m_engine.intervalText()))
        ui->txtProcRef->setText(Q(m_engine.intervalText()));
    ui->lblMonitor->setText(Q(std::string(m_engine.monitorText())));
    ui->uc7Monitor->setText(Q(std::string(m_engine.startStopCaption())));
    if (!m_engine.timerEnabled() || m_exited) {
        m_timer->stop();
        return;
    }
    if (!m_timer->isActive() || m_timer->interval() != m_engine.timerPeriodMs())
        m_timer->start(m_engine.timerPeriodMs());
}

void frmUtama::RememberedAnswersChanged() {
    ui->lstRemembered->clear();
    for (const auto& answer : m_engine.rememberedAnswers().list())
        ui->lstRemembered->addItem(Q(answer.line()));
}

void frmUtama::TrustListsChanged() {
    showTrustList(m_lists.whitelist(), ui->List3);
    showTrustList(m_lists.blacklist(), ui->listblack);
    showTrustCounts();
}

void frmUtama::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void frmUtama::DecisionMade(const guard::GuardDecision& decision) {
    if (!m_audit)
        return;
    m_audit->Record(
        guard::AuditEntryOf(decision, m_engine.clock().now(), m_engine.EventSourceText()));
}

// ---- trust lists ------------------------------------------------------------------------

void frmUtama::showTrustList(store::TrustList& list, QListWidget* view) {
    view->clear();
    for (const auto& item : list.visibleItems())
        view->addItem(Q(item));
}

void frmUtama::showTrustCounts() {
    ui->lbltrustedcount_8->setText(Number(m_lists.whitelist().count()));
    ui->lblblackcount_0->setText(Number(m_lists.blacklist().count()));
    ui->lblcopyblack->setText(ui->lblblackcount_0->text());
    ui->lblcopywhite->setText(ui->lbltrustedcount_8->text());
}

void frmUtama::addToList(store::TrustList& list, QListWidget* view, const QString& text) {
    const store::Message message = list.AddToListAndSave(text.toStdString());
    shareTrust();
    showTrustList(list, view);
    MessageBox::show(this, message);
    showTrustCounts();
}

void frmUtama::removeFromList(store::TrustList& list, QListWidget* view) {
    const QListWidgetItem* selected = view->currentItem();
    const std::string text = selected ? selected->text().toStdString() : std::string();
    const store::Message message = list.RemoveFromList(text);
    shareTrust();
    MessageBox::show(this, message);
    showTrustCounts();
}

// ---- settings ---------------------------------------------------------------------------

void frmUtama::showSettings() {
    for (int i = 0; i < store::kSettingCount; ++i)
        SetBox(m_settingBoxes[static_cast<size_t>(i)], m_settings.values()[static_cast<size_t>(i)]);
    // The guard reads the two mode boxes at each decision.
    auto& modes = m_engine.modes();
    modes.SetChkauto(0);
    modes.SetChkjustwarnme(0);
    modes.SetChkjustwarnme(m_settings.value(store::SettingKey::JustNotify));
    modes.SetChkauto(m_settings.value(store::SettingKey::AntiExe));
    shareTrust();
}

// The Mode label names the mode the guard acts on, which the boxes set at once, Save or not.
void frmUtama::showSettingsLabels() {
    ui->lblmode->setText(Q(std::string(m_engine.modes().modeText())));
    ui->lblregmon->setText(Q(m_settings.lblregmon()));
}

void frmUtama::settingsBoxClicked(store::SettingKey key, QCheckBox* box) {
    m_settings.SetCheckBox(key, BoxValue(box));
    showSettings();
    showSettingsLabels();
}

void frmUtama::saveSettings() {
    const store::Message message = m_settings.SaveSettings();
    showSettings();
    showSettingsLabels();
    MessageBox::show(this, message);
}

void frmUtama::runSelfCheck() {
    const std::string program = m_context.platform.shell->ExecutablePath();
    store::SelfCheck check(*m_context.platform.files, m_data.file(store::kSelfCheckFile));
    const auto outcome = check.Run(program, platform::FileSha256(program), m_clock.now());
    if (!outcome.message)
        return;
    if (!outcome.offerToRecord) {
        MessageBox::show(this, *outcome.message);
        return;
    }
    if (MessageBox::askYesNo(this, *outcome.message))
        MessageBox::show(this, check.RecordNew(outcome.digest, m_clock.now()));
}

// ---- processes and the jail -------------------------------------------------------------

void frmUtama::processListClicked() {
    const QListWidgetItem* item = ui->List1->currentItem();
    if (!item)
        return;
    const auto pid = guard::ParseProcessListPid(item->text().toStdString());
    if (!pid)
        return;
    ui->lstModule->clear();
    for (const auto& line : inspect::ListModules(*m_context.platform.processes, *pid))
        ui->lstModule->addItem(Q(line));
    ui->lblmodulecount->setText(Number(ui->lstModule->count()));
}

void frmUtama::killSelected() {
    const QListWidgetItem* item = ui->List1->currentItem();
    if (!item)
        return;
    if (const auto pid = guard::ParseProcessListPid(item->text().toStdString())) {
        if (const auto refusal = inspect::KillSelectedProcess(*m_context.platform.processes, *pid))
            MessageBox::warning(this, "Quorvel", Q(*refusal));
    }
}

void frmUtama::jailListClicked() {
    const QListWidgetItem* item = ui->List2->currentItem();
    if (!item)
        return;
    if (const auto shown = guard::SelectJailItem(m_engine.jail(), item->text().toStdString())) {
        ui->lbljailPID->setText(Q(shown->lbljailPID));
        ui->lblTime->setText(Q(shown->lblTime));
        ui->lbllTime->setText(Q(shown->lbllTime));
        ui->lblPrevAttempts->setText(Q(shown->lblPrevAttempts));
    }
}

void frmUtama::moreInfo() {
    const QListWidgetItem* item = ui->List2->currentItem();
    if (!item || item->text().isEmpty()) {
        MessageBox::warning(this, "Quorvel", "Please select a Process");
        return;
    }
    const auto details =
        guard::ShowProcessDetails(m_engine.table(), m_engine.jail(), *m_context.platform.processes,
                                  item->text().toStdString());
    ui->lblProcName->setText(Q(details.lblProcName));
    ui->lblProcID->setText(Q(details.lblProcID));
    ui->lblProcIDs->setText(Q(details.lblProcID));
    ui->lblParentID->setText(Q(details.lblParentID));
    ui->lblThreads->setText(Q(details.lblThreads));
    ui->lblChd->setText(Q(details.lblChd));
    if (details.lblPriority)
        ui->lblPriority->setText(Q(*details.lblPriority));
    ui->lblAccessAttempts->setText(Q(details.lblAccessAttempts));
    ui->lblLastAct->setText(Q(details.lblLastAct));
    QColor colour = palette().color(QPalette::ButtonText);
    if (details.lastActColour == guard::LastActionColour::Blocked)
        colour = QColor(192, 0, 0);
    else if (details.lastActColour == guard::LastActionColour::Other)
        colour = QColor(0, 128, 0);
    ui->lblLastAct->setStyleSheet(QString("font-weight: bold; color: %1;").arg(colour.name()));
    ui->lblFirstAccess->setText(Q(details.lblFirstAccess));
    ui->lbllastAccess->setText(Q(details.lbllastAccess));
    showPanel(ui->frmMain_4);
}

void frmUtama::unblockSelected() {
    const int row = ui->List2->currentRow();
    m_engine.UnblockSelected(row >= 0 ? std::optional<size_t>(static_cast<size_t>(row))
                                      : std::nullopt);
    if (row < 0)
        return;
    for (QLabel* label : {ui->lbljailPID, ui->lblTime, ui->lbllTime, ui->lblPrevAttempts})
        label->setText("N/A");
}

void frmUtama::forgetSelected() {
    const int row = ui->lstRemembered->currentRow();
    m_engine.ForgetRemembered(row >= 0 ? std::optional<size_t>(static_cast<size_t>(row))
                                       : std::nullopt);
}

} // namespace quorvel::gui
