#pragma once

#include "guard/Alert.h"
#include "guard/AlertHost.h"
#include "guard/AnswerLists.h"
#include "guard/Clock.h"
#include "guard/ExecTriage.h"
#include "guard/GuardCounters.h"
#include "guard/GuardFlags.h"
#include "guard/GuardModes.h"
#include "guard/GuardObserver.h"
#include "guard/Jail.h"
#include "guard/NameComparer.h"
#include "guard/NameCounts.h"
#include "guard/ProcessListItem.h"
#include "guard/ProcessTable.h"
#include "guard/RememberedAnswers.h"
#include "guard/SnapshotName.h"
#include "guard/TrustLookup.h"
#include "platform/DesktopWindows.h"
#include "platform/ExecEvents.h"
#include "platform/Processes.h"
#include "platform/Shell.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quorvel::guard {

inline constexpr std::string_view kTableFullMessage =
    "Array full,Quorvel can't enumerate Processes";
inline constexpr std::string_view kTableFullTitle = "Quorvel | Protect and Defend your PC";
inline constexpr std::string_view kSelectFirstMessage = "select a Process first";
// The tray popup's text for a process that could not be stopped, before its name.
inline constexpr std::string_view kNotHeldMessage = "Could not hold process : ";
// While exec events flow, how often a full listing puts the table right.
inline constexpr std::chrono::seconds kReconcilePeriod{5};
// The log's note for a program that had ended when its hold was tried.
inline constexpr std::string_view kEndedUnheldNote = "ended before it could be held";

// The start-up question about holds an earlier run left behind, before the list of them.
std::string StaleHoldsQuestion(size_t count);

struct GuardServices {
    platform::Processes& processes;
    platform::DesktopWindows& windows;
    platform::Shell& shell;
    const TrustLookup& trust;
    const Clock& clock;
    GuardObserver& observer;
};

enum class PassOutcome {
    Done,
    Refused,        // another pass (or the exit sequence) is still running
    SnapshotFailed, // the system gave no process list: nothing changed
    Skipped,        // a timer pass with nothing to do: the exec events said so
    Outdated,       // a listing taken before another pass ran: that pass knows more
};

// The process guard: snapshots on a timer, decides on each new executable name by the
// modes and the trust lists, holds unknown ones behind alerts, and keeps the jail.
// Single-threaded; the observer may call back into it while it lets events run, and a
// snapshot can never start while another pass is in progress.
class ProcessGuard final : private AlertHost {
public:
    explicit ProcessGuard(GuardServices services);
    ~ProcessGuard();
    ProcessGuard(const ProcessGuard&) = delete;
    ProcessGuard& operator=(const ProcessGuard&) = delete;

    // Start-up: the first snapshot, which only records what runs (if it fails, the first
    // one that works does), an offer to release what an earlier run left held, then Start.
    void StartUp();

    // The guard timer's tick: a snapshot, rebuilding the process list when it is due.
    PassOutcome Tick();
    // The same tick over a process list taken elsewhere, such as on another thread, so
    // that only the decisions run on the engine's thread.
    PassOutcome TickWith(platform::Result<std::vector<platform::ProcessEntry>> entries);
    // The "Refresh" button: a snapshot that appends to the process list.
    PassOutcome Refresh();

    // Exec events, when the system gives them, before StartUp: a pass runs as soon as a
    // program starts. The engine keeps triage's rules current; sharedTrust is the view of
    // the trust lists that the events' thread reads, so it must be safe to read from there.
    // events and triage must outlive the engine.
    void UseExecEvents(platform::ExecEvents* events, ExecTriage* triage,
                       std::shared_ptr<const TrustLookup> sharedTrust);

    // Where "Always" answers go; without it they last this time only. lists must outlive
    // the engine.
    void UseAnswerLists(AnswerLists* lists) { m_answerLists = lists; }

    // The guard timer's tick where exec events run too: skipped while they are live,
    // report exits, lost nothing, and nothing happened since the last pass.
    PassOutcome TimerTick();
    // The exec events' descriptor is readable: takes what they reported (a program they
    // denied at once is logged) and runs one pass for the whole burst: over just the
    // processes they named when they named them all, else over a full listing.
    PassOutcome ExecEventsReady();

    // The same two with the listing taken elsewhere: whether the timer's pass is due,
    // whether the events call for one, and the pass over a listing begun when passCount()
    // was listedAt. A listing begun before another pass ran is older than what the
    // engine knows: taking it would see a program that pass judged end and start again.
    bool TimerPassDue() const;
    // Not due, but the process list is due for the rebuild that follows a change: while
    // events keep the table current, an EventPass does it without a listing.
    bool ListRefreshDue() const;
    bool TakeExecEvents();
    // After TakeExecEvents: whether the events can be served by EventPass, without a
    // listing (else a full pass is due), and whether any wait for it.
    bool EventPassPossible() const;
    bool EventPassPending() const;
    // The pass over the processes the events named: each read alone, the table updated
    // in place, only they judged. Refused, like a pass, while another runs.
    PassOutcome EventPass();
    PassOutcome TickWith(platform::Result<std::vector<platform::ProcessEntry>> entries,
                         uint64_t listedAt);
    // Snapshots taken so far.
    uint64_t passCount() const { return m_passes; }
    // Which source tells the guard of new programs, for the start line and the log.
    std::string EventSourceText() const;

    // The Start/Stop button.
    void StartStopGuard();
    // "Set Interval": applies the interval box's text. A text that is no period is told
    // and replaced by the period in effect (GuardStateChanged).
    void ApplyInterval();
    void SetIntervalText(std::string text) { m_intervalText = std::move(text); }
    const std::string& intervalText() const { return m_intervalText; }

    // "Unblock Selected" with the selected item of the jail list, if any.
    void UnblockSelected(std::optional<size_t> selected);

    // Forgets the selected answer of rememberedAnswers().list(), if any: the next
    // instance of the name is asked about again.
    void ForgetRemembered(std::optional<size_t> selected);

    // Closing: answers every open alert as "Block", then offers to resume the jail list's
    // processes. False when refused because a pass is running; after true the engine
    // takes no more snapshots.
    bool ExitSequence();

    GuardModes& modes() { return m_modes; }
    const GuardModes& modes() const { return m_modes; }

    const ProcessTable& table() const { return m_table; }
    // The executable names of the latest snapshot, in snapshot order.
    const std::vector<SnapshotName>& snapshotNames() const { return m_previous; }
    const GuardFlags& flags() const { return m_flags; }
    const GuardCounters& counters() const { return m_counters; }
    const std::vector<ProcessListItem>& processList() const; // List1
    std::vector<std::string> processListLines() const;
    const std::vector<std::string>& processLog() const { return m_processLog; } // Loglist
    const Jail& jail() const { return m_jail; }
    const RememberedAnswers& rememberedAnswers() const { return m_remembered; }
    const std::vector<std::shared_ptr<Alert>>& openAlerts() const { return m_openAlerts; }
    int16_t currentSlot() const { return m_currentSlot; }
    uint32_t currentPid() const { return m_currentPid; }

    bool timerEnabled() const { return m_timerEnabled; }
    int timerPeriodMs() const { return m_periodMs; }
    std::string_view monitorText() const { return m_flags.running ? "ON" : "OFF"; }
    std::string_view startStopCaption() const {
        return m_flags.running ? "Stop Quorvel" : "Start Quorvel";
    }
    bool passRunning() const { return m_busy; }
    const Clock& clock() const { return m_clock; }

private:
    PassOutcome TickOver(platform::Result<std::vector<platform::ProcessEntry>> entries);
    void TakeSnapshot(std::vector<platform::ProcessEntry> entries);
    void CountWindows();
    void HandleNewProcesses();
    size_t JudgeNewNames(); // the index of the candidate whose decision ended the pass
    void HandleEndedProcesses();
    void EndName(const std::string& name);
    void KeepJudgedPending();
    void SettleExecs();

    // Passes over single processes (ProcessGuardEvents.cpp).
    void EnsureLiveIndex();
    void ReadAndApply(uint32_t pid);
    void RemoveLive(uint32_t pid);
    void InsertLive(platform::ProcessEntry entry);
    void TouchName(std::string_view name);
    void JournalList(bool inserted, uint64_t startTime, uint32_t pid, const std::string& name);
    void FreezeProcessList();
    std::vector<ProcessListItem> LiveProcessList() const;
    void HoldProcess(std::string_view name);
    // Suspends (when asked), counts and logs the designated process, the note after its
    // path; its path, or nothing when the system refused to hold it: it runs on.
    std::optional<std::string> Detect(std::string_view name, bool suspend, std::string_view note,
                                      DecisionKind kind);
    void ApplyRemembered(const RememberedAnswer& answer, std::string_view name);
    // What an answer leaves behind beyond the one process, by its duration.
    void Keep(const std::string& name, std::string_view verdict, AnswerDuration duration);
    void AddAlways(TrustListKind list, const std::string& name);
    void SyncTriage();
    void OfferStaleHolds();
    std::string NameOfPid(uint32_t pid) const;
    void RebuildJailList();

    void ApplyIntervalOnStart();
    void KillProcess(uint32_t pid);
    void Release(const std::vector<const JailEntry*>& entries);
    std::string ImagePathOr(uint32_t pid, std::string_view name);
    // Without a stage: before start when the latest listing has the process held inside
    // execve, else running.
    void Decide(DecisionKind kind, uint32_t pid, uint32_t parentPid, std::string_view name,
                std::string path, std::string reason = {},
                std::optional<DecisionStage> stage = std::nullopt);
    void NotJudged(size_t index, std::string_view name);
    std::shared_ptr<Alert> popForm(int16_t slot, std::string path);
    void CloseAlert(Alert& alert);

    void AnswerAllow(Alert& alert, AnswerDuration duration) override;
    void AnswerBlock(Alert& alert, AnswerDuration duration) override;
    void AnswerKillNow(Alert& alert) override;

    platform::Processes& m_processes;
    platform::DesktopWindows& m_windows;
    platform::Shell& m_shell;
    const TrustLookup& m_trust;
    const Clock& m_clock;
    GuardObserver& m_observer;
    platform::ExecEvents* m_events = nullptr;
    ExecTriage* m_triage = nullptr;
    std::shared_ptr<const TrustLookup> m_sharedTrust;
    bool m_eventSincePass = true;
    bool m_lostEvents = false; // exec events were lost since the last pass
    uint64_t m_passes = 0;
    // Killed or denied, until a listing no longer shows them: a process whose exec was
    // denied shows its old program's name while it dies, and is not judged again as that.
    std::map<uint32_t, uint64_t> m_killedPids; // decided and killed: PID, start time if known

    GuardFlags m_flags;
    GuardModes m_modes;
    GuardCounters m_counters;
    ProcessTable m_table;
    std::vector<SnapshotName> m_current;
    std::vector<SnapshotName> m_previous;
    std::unordered_set<uint32_t> m_pendingPids; // listed as held inside execve
    std::set<uint32_t> m_judgedExecs;           // held inside execve and judged by a pass
    std::vector<uint32_t> m_unreachedExecs;     // held inside execve, left by an ended pass
    std::vector<uint8_t> m_newFlags;
    std::vector<uint8_t> m_endedFlags;
    NameComparer m_comparer;
    std::vector<ProcessListItem> m_processList;
    std::vector<ProcessListItem> m_forkCopies; // of the latest snapshot: not judged
    std::vector<uint64_t> m_forkStarts;        // their start times
    // The slots to judge this pass, in table order: processes new by identity (PID, start
    // time and program) and execs held inside execve not judged yet. The name comparison
    // still decides what it always did: the jail's marks and the ended names.
    std::vector<size_t> m_candidates;
    NameCounts::Map<int32_t> m_newQuota; // per name: how many instances the comparison calls new
    ProcessTable m_lastTable;            // the table of the pass before, for identities
    std::unordered_map<uint32_t, size_t> m_lastSlots;
    bool m_listComplete = false; // the table holds the whole listing, in start order

    // What passes over single processes keep current between full listings.
    struct LiveWhere {
        uint64_t startTime = 0;
        bool forkCopy = false;
    };
    std::unordered_map<uint32_t, LiveWhere> m_live;
    NameCounts m_nameCounts;
    bool m_liveValid = false;           // rebuilt after each full listing, when first needed
    NameCounts::Map<int32_t> m_touched; // per name changed this pass: its count before
    std::vector<uint32_t> m_identityNew;
    std::vector<std::string> m_endedSpellings; // instances that ended this pass
    std::vector<uint32_t> m_eventPids;         // named by the events, to read
    std::vector<uint32_t> m_eventExits;
    std::unordered_map<uint32_t, std::string> m_eventNames; // execs let go: their programs
    bool m_fullPassWanted = false;                          // the events lost some or named none
    bool m_incrementalSinceFull = false;
    std::chrono::system_clock::time_point m_lastFullPass{};
    // The list stays as its last rebuild showed it while the table moves on: while it
    // follows the table, the changes since are kept to be undone when it is read.
    struct ListChange {
        bool inserted = false;
        uint64_t startTime = 0;
        ProcessListItem item;
    };
    std::vector<ListChange> m_listJournal;
    bool m_listFollowsLive = false;
    mutable std::vector<ProcessListItem> m_liveListCache;
    mutable bool m_liveListStale = true;
    std::vector<std::string> m_processLog;
    Jail m_jail;
    RememberedAnswers m_remembered;
    AnswerLists* m_answerLists = nullptr;
    std::vector<std::shared_ptr<Alert>> m_openAlerts;
    int16_t m_currentSlot = 0;
    uint32_t m_currentPid = 0;

    std::string m_intervalText = "0";
    int m_periodMs = 250;
    bool m_timerEnabled = false;
    bool m_tableFullReported = false;
    bool m_busy = false;   // a pass or the exit sequence is running
    bool m_closed = false; // the exit sequence has run
};

} // namespace quorvel::guard
