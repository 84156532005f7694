#pragma once

// Qt defines the word slots as a macro; the guard's headers use it as a name.
#pragma push_macro("slots")
#undef slots
#include "guard/ProcessGuard.h"
#pragma pop_macro("slots")

#include "access/LoginFlow.h"
#include "guard/AlertPlacement.h"
#include "guard/ExecTriage.h"
#include "guard/GuardObserver.h"
#include "guard/SystemClock.h"
#include "platform/DecisionAudit.h"
#include "platform/ExecEvents.h"
#include "store/DataFolder.h"
#include "store/Settings.h"
#include "store/TrustLists.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <vector>

class QMenu;
class QTimer;
class QCheckBox;
class QListWidget;
class QLabel;
class QSocketNotifier;

namespace Ui {
class frmUtama;
}

namespace quorvel::gui {

struct AppContext;
class cSysTray;
class frmAlert;
class frmLogin;
class frVirusScan;
class SnapshotWorker;

// The main window: the guard's controls and counters, the eight panels and the windows
// the navigation opens, the tray icon, and the exit question. It is the guard's observer.
class frmUtama : public QWidget, private guard::GuardObserver {
    Q_OBJECT

public:
    static constexpr int kNavigationButtons = 12;

    // clock: the guard's time source; the system's clock when null.
    explicit frmUtama(AppContext& context, const guard::Clock* clock = nullptr,
                      QWidget* parent = nullptr);
    ~frmUtama() override;

    // Start-up from the machine label on: lists, guard flags, settings, the first
    // snapshot (which judges nothing), Start, and the counters.
    void StartUp();
    // Once per Data folder, when neither list holds a name: offers to trust the programs
    // running now.
    void OfferFirstStartTrust();
    // From now on the guard timer's process lists are taken on a thread of their own,
    // with this backend; the decisions stay on this thread.
    void listOnOwnThread(std::unique_ptr<platform::Processes> processes);
    // Before StartUp: new programs from the system's exec events (the best source this
    // process may open), the timer staying as the backstop.
    void useExecEvents(const platform::ExecEventsOptions& options);

    guard::ProcessGuard& engine() { return m_engine; }
    store::TrustLists& lists() { return m_lists; }
    store::Settings& settings() { return m_settings; }
    cSysTray& tray() { return *m_tray; }
    QTimer& tmrProcRef() { return *m_timer; }
    QMenu& mnutray() { return *m_trayMenu; }
    // The window a navigation button opened, while it is open.
    QWidget* openedWindow(int index) const;
    frmLogin* login() const;
    frmAlert* alertWindow(const guard::Alert& alert) const;
    bool exited() const { return m_exited; }

public slots:
    // A navigation button, 0 to 11.
    void navigate(int index);
    void openAbout();
    // The tray menu's "&Open Window".
    void openFromTray();

signals:
    // The exit sequence has run: the program ends.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // GuardObserver
    void OpenAlert(const std::shared_ptr<guard::Alert>& alert) override;
    void AlertClosed(const guard::Alert& alert) override;
    void ShowTrayMessage(const std::string& title, const std::string& message) override;
    void ShowMessage(const std::string& text, const std::string& title,
                     guard::MessageIcon icon) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    void ProcessListChanged() override;
    void CountersChanged() override;
    void LogLineAdded(const std::string& line) override;
    void JailListChanged() override;
    void GuardStateChanged() override;
    void RememberedAnswersChanged() override;
    void TrustListsChanged() override;
    void ProcessPendingEvents() override;
    void DecisionMade(const guard::GuardDecision& decision) override;

    void guardTick();
    void execEventsReady();
    void requestPass(bool again);
    void serveExecEvents();
    void shareTrust();
    void connectControls();
    void buildTray();
    void showPanel(QWidget* panel);
    template <typename Window> void openWindow(int index);
    // Shows what the main window's place (on the screen, in the tray, behind the
    // password) lets be seen.
    void applyPlace();
    void placeAlert(frmAlert* window, int place);

    void showTrustList(store::TrustList& list, QListWidget* view);
    void showTrustCounts();
    void addToList(store::TrustList& list, QListWidget* view, const QString& text);
    void removeFromList(store::TrustList& list, QListWidget* view);

    void showSettings();
    void settingsBoxClicked(store::SettingKey key, QCheckBox* box);
    void showSettingsLabels();
    void saveSettings();
    void runSelfCheck();

    void processListClicked();
    void killSelected();
    void jailListClicked();
    void moreInfo();
    void unblockSelected();
    void forgetSelected();

    std::unique_ptr<Ui::frmUtama> ui;
    AppContext& m_context;
    store::DataFolder m_data;
    store::TrustLists m_lists;
    store::Settings m_settings;
    guard::SystemClock m_systemClock;
    const guard::Clock& m_clock;
    std::unique_ptr<platform::DecisionAudit> m_audit;
    // Declared before the engine, so that they go after it: the engine, then the events,
    // then the triage whose rules the events' thread reads.
    guard::ExecTriage m_triage;
    std::unique_ptr<platform::ExecEvents> m_events;
    guard::ProcessGuard m_engine;
    QSocketNotifier* m_execNotifier = nullptr;
    bool m_passWanted = false; // an exec came while a listing or a pass was under way
    QTimer* m_timer = nullptr;
    std::unique_ptr<SnapshotWorker> m_snapshots;
    cSysTray* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    frVirusScan* m_virusScan = nullptr;
    QPointer<frmLogin> m_login;
    access::LoginFlow m_place;
    std::array<QPointer<QWidget>, kNavigationButtons> m_windows;
    std::vector<QPointer<QWidget>> m_toolsAway; // tools hidden with the main window
    std::map<const guard::Alert*, QPointer<frmAlert>> m_alerts;
    guard::AlertPlaces m_alertPlaces;
    std::array<QCheckBox*, store::kSettingCount> m_settingBoxes{};
    bool m_exited = false;
};

} // namespace quorvel::gui
