#include "guard/ProcessGuard.h"

#include "guard/CaseFold.h"
#include "guard/FindInstanceSlot.h"
#include "guard/IntervalText.h"
#include "guard/ReentryGuard.h"
#include "inspect/ProcessControl.h"
#include "inspect/ProcessImagePath.h"
#include "inspect/ProcessWindows.h"
#include "inspect/TimeStamp.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace quorvel::guard {

namespace {

constexpr std::string_view kNeverJudged = "svchost.exe";

bool NeverJudged(std::string_view name) {
    return name.find(kNeverJudged) != std::string_view::npos;
}

// The name as the fixed exe-file field gives it: up to the first NUL.
std::string_view UpToNul(std::string_view name) {
    return name.substr(0, name.find('\0'));
}

} // namespace

ProcessGuard::ProcessGuard(GuardServices services)
    : m_processes(services.processes), m_windows(services.windows), m_shell(services.shell),
      m_trust(services.trust), m_clock(services.clock), m_observer(services.observer) {}

void ProcessGuard::UseExecEvents(platform::ExecEvents* events, ExecTriage* triage,
                                 std::shared_ptr<const TrustLookup> sharedTrust) {
    m_events = events;
    m_triage = triage;
    m_sharedTrust = std::move(sharedTrust);
    SyncTriage();
}

ProcessGuard::~ProcessGuard() {
    for (auto& alert : m_openAlerts)
        alert->Detach();
}

void ProcessGuard::StartUp() {
    m_flags = GuardFlags{};
    {
        ReentryGuard pass(m_busy);
        if (!pass)
            return;
        // When this fails the first snapshot that works only records, whenever it comes.
        auto entries = m_processes.ListProcesses();
        if (entries)
            TakeSnapshot(std::move(entries).value());
    }
    OfferStaleHolds();
    StartStopGuard();
}

void ProcessGuard::OfferStaleHolds() {
    std::vector<platform::HeldProcess> stale;
    for (const auto& held : m_processes.ListHeldProcesses()) {
        if (!held.holderRunning && held.pid != m_processes.CurrentProcessId())
            stale.push_back(held);
    }
    if (stale.empty())
        return;
    std::string question = StaleHoldsQuestion(stale.size());
    for (const auto& held : stale)
        question += "\n" + std::to_string(held.pid) + " " + NameOfPid(held.pid);
    if (!m_observer.AskYesNo(question, "Quorvel"))
        return;
    for (const auto& held : stale) {
        for (uint32_t i = 0; i < held.holds; ++i)
            (void)m_processes.ResumeProcess(held.pid);
    }
}

std::string ProcessGuard::NameOfPid(uint32_t pid) const {
    for (size_t slot = 0; slot < m_table.size(); ++slot) {
        if (m_table[slot].th32ProcessID == pid)
            return m_table[slot].exeName;
    }
    for (const auto& item : m_forkCopies) {
        if (item.pid == pid)
            return item.name;
    }
    return "?";
}

std::string StaleHoldsQuestion(size_t count) {
    return std::to_string(count) +
           " processes are still held by an earlier run of Quorvel that ended without "
           "releasing them. Do you want to resume them?";
}

PassOutcome ProcessGuard::Tick() {
    ReentryGuard pass(m_busy);
    if (!pass || m_closed)
        return PassOutcome::Refused;
    SyncTriage();
    m_eventSincePass = false;
    // Listed after the events were taken: the listing covers what they named.
    const auto outcome = TickOver(m_processes.ListProcesses());
    if (outcome == PassOutcome::Done) {
        m_eventPids.clear();
        m_eventExits.clear();
        m_eventNames.clear();
    }
    return outcome;
}

PassOutcome ProcessGuard::TickWith(platform::Result<std::vector<platform::ProcessEntry>> entries) {
    ReentryGuard pass(m_busy);
    if (!pass || m_closed)
        return PassOutcome::Refused;
    SyncTriage();
    m_eventSincePass = false;
    return TickOver(std::move(entries));
}

PassOutcome ProcessGuard::TickOver(platform::Result<std::vector<platform::ProcessEntry>> entries) {
    if (!entries)
        return PassOutcome::SnapshotFailed;
    struct Settle {
        ProcessGuard& guard;
        ~Settle() { guard.SettleExecs(); }
    } settle{*this};
    struct AfterLoss {
        bool& lost;
        ~AfterLoss() { lost = false; }
    } afterLoss{m_lostEvents};
    m_fullPassWanted = false;
    m_incrementalSinceFull = false;
    m_lastFullPass = m_clock.now();
    if (m_flags.listRefreshPending) {
        m_listFollowsLive = false;
        m_listJournal.clear();
        m_processList.clear();
        TakeSnapshot(std::move(entries).value());
        m_flags.listRefreshPending = false;
        m_observer.ProcessListChanged();
    } else {
        FreezeProcessList();
        TakeSnapshot(std::move(entries).value());
    }
    return PassOutcome::Done;
}

void ProcessGuard::SettleExecs() {
    if (!m_events)
        return;
    // What the pass did not reach stays held for the next one, which is due.
    m_events->SettlePending(m_unreachedExecs);
    if (!m_unreachedExecs.empty())
        m_eventSincePass = true;
}

PassOutcome ProcessGuard::TickWith(platform::Result<std::vector<platform::ProcessEntry>> entries,
                                   uint64_t listedAt) {
    if (listedAt != m_passes)
        return PassOutcome::Outdated;
    return TickWith(std::move(entries));
}

bool ProcessGuard::TimerPassDue() const {
    const bool quiet =
        m_events && m_events->live() && m_events->reportsExits() && !m_eventSincePass && !m_busy;
    // While events flow, a listing now and then puts right what one missed or misread.
    const bool reconcile =
        m_incrementalSinceFull && m_clock.now() - m_lastFullPass >= kReconcilePeriod;
    if (!(quiet && m_flags.started && !m_flags.firstSnapshot) || reconcile)
        return true;
    // The list is due for its rebuild: from the table, when events keep it current.
    return m_flags.listRefreshPending && !EventPassPossible();
}

bool ProcessGuard::ListRefreshDue() const {
    return !TimerPassDue() && m_flags.listRefreshPending && !m_busy;
}

PassOutcome ProcessGuard::TimerTick() {
    if (TimerPassDue())
        return Tick();
    return ListRefreshDue() ? EventPass() : PassOutcome::Skipped;
}

PassOutcome ProcessGuard::ExecEventsReady() {
    if (!TakeExecEvents())
        return PassOutcome::Skipped;
    return EventPassPossible() ? EventPass() : Tick();
}

bool ProcessGuard::TakeExecEvents() {
    if (!m_events)
        return false;
    auto drained = m_events->Drain();
    for (auto& denied : drained.denied) {
        // Denied inside execve: it never ran, and no snapshot will show it.
        const auto kind =
            m_modes.antiExe() ? DecisionKind::KilledAntiExe : DecisionKind::KilledBlacklisted;
        // A refusal the kernel made for want of a descriptor names nothing: nobody judged it.
        const auto denialKind = denied.name.empty() ? DecisionKind::DeniedUnjudged : kind;
        if (denied.pid != 0) {
            m_eventPids.push_back(denied.pid); // still listed until it is gone
            m_killedPids[denied.pid] = 0;      // which start time is not known
        }
        m_observer.DecisionMade(GuardDecision{denialKind, denied.pid, std::move(denied.name),
                                              std::move(denied.path), denied.parentPid,
                                              std::move(denied.reason), DecisionStage::BeforeStart,
                                              denied.ownerId, std::move(denied.file)});
    }
    for (auto& unheld : drained.unheld)
        Decide(DecisionKind::HoldFailed, unheld.pid, unheld.parentPid, unheld.name,
               std::move(unheld.path), std::move(unheld.reason), DecisionStage::BeforeStart);
    // The kernel dropped events: what the next pass finds has run unheld until then.
    if (drained.lost)
        m_lostEvents = true;
    if (!drained.passNeeded && !drained.lost && !m_events->live())
        return false;
    const bool named = !drained.execs.empty() || !drained.exits.empty() || !drained.denied.empty();
    if (drained.lost || (drained.passNeeded && !named))
        m_fullPassWanted = true;
    m_eventPids.insert(m_eventPids.end(), drained.execs.begin(), drained.execs.end());
    m_eventExits.insert(m_eventExits.end(), drained.exits.begin(), drained.exits.end());
    for (auto& [pid, name] : drained.execNames)
        m_eventNames[pid] = std::move(name);
    if (m_eventPids.size() + m_eventExits.size() > platform::kMaxDrainPids) {
        // Served late: a listing costs less than reading that many one by one.
        m_fullPassWanted = true;
        m_eventPids.clear();
        m_eventExits.clear();
        m_eventNames.clear();
    }
    m_eventSincePass = true;
    return true;
}

std::string ProcessGuard::EventSourceText() const {
    return m_events ? m_events->description() : "timer only";
}

void ProcessGuard::SyncTriage() {
    if (!m_triage)
        return;
    m_triage->Update(ExecTriage::Rules{m_sharedTrust, m_flags.running && !m_closed,
                                       m_modes.antiExe(), m_modes.justNotify()});
}

PassOutcome ProcessGuard::Refresh() {
    ReentryGuard pass(m_busy);
    if (!pass || m_closed)
        return PassOutcome::Refused;
    auto entries = m_processes.ListProcesses();
    if (!entries)
        return PassOutcome::SnapshotFailed;
    FreezeProcessList();
    TakeSnapshot(std::move(entries).value());
    return PassOutcome::Done;
}

void ProcessGuard::TakeSnapshot(std::vector<platform::ProcessEntry> entries) {
    ++m_passes;
    m_counters.processesListed = 0;
    std::swap(m_table, m_lastTable);
    m_table.Clear();
    m_table.Reserve(entries.size());
    m_current.clear();
    m_current.reserve(entries.size());
    const bool listing = m_flags.listRefreshPending;

    m_forkCopies.clear();
    m_forkStarts.clear();
    m_pendingPids.clear();
    m_unreachedExecs.clear();
    m_liveValid = false;
    bool forksSorted = true;
    for (auto& entry : entries) {
        ++m_counters.processesListed;
        SnapshotName name;
        name.name = UpToNul(entry.exeName);
        name.hash = UpperCaseHash(name.name);
        if (listing)
            m_processList.push_back({entry.pid, name.name});
        // Not yet a program of its own: judged under the name it executes, once it does.
        if (entry.forkCopy) {
            if (!m_forkCopies.empty() &&
                (entry.startTime < m_forkStarts.back() ||
                 (entry.startTime == m_forkStarts.back() && entry.pid <= m_forkCopies.back().pid)))
                forksSorted = false;
            m_forkCopies.push_back({entry.pid, std::move(name.name)});
            m_forkStarts.push_back(entry.startTime);
            continue;
        }

        ProcessRecord record = RecordOf(entry, name.name);
        const uint64_t hash = name.hash;
        m_current.push_back(std::move(name));
        if (entry.execPending)
            m_pendingPids.insert(entry.pid);
        if (!m_table.StoreHashed(std::move(record), hash, entry.startTime) &&
            !m_tableFullReported) {
            // Once per run: beyond the slot range every snapshot would raise it again.
            m_tableFullReported = true;
            m_observer.ShowMessage(std::string(kTableFullMessage), std::string(kTableFullTitle),
                                   MessageIcon::Warning);
        }
    }

    m_listComplete = m_current.size() == m_table.size() && m_table.sorted() && forksSorted;
    CountWindows();

    if (!m_flags.firstSnapshot && m_flags.started) {
        m_comparer.Compare(m_previous, m_current, m_newFlags, m_endedFlags);
        m_newQuota.clear();
        for (size_t i = 0; i < m_current.size(); ++i) {
            if (m_newFlags[i] == 0)
                ++m_newQuota[m_current[i].name];
        }
        // New by identity: a program that replaced another of its name within one
        // interval is as new as any. Another instance of the name that ended unseen must
        // not hide a new exec; one already judged stays judged while it waits.
        m_lastSlots.clear();
        for (size_t slot = 0; slot < m_lastTable.size(); ++slot)
            m_lastSlots[m_lastTable[slot].th32ProcessID] = slot;
        m_candidates.clear();
        for (size_t slot = 0; slot < m_table.size(); ++slot) {
            const ProcessRecord& record = m_table[slot];
            const uint32_t pid = record.th32ProcessID;
            const auto last = m_lastSlots.find(pid);
            const bool fresh = last == m_lastSlots.end() ||
                               m_lastTable.startTime(last->second) != m_table.startTime(slot) ||
                               m_lastTable[last->second].exeName != record.exeName;
            if (fresh || (m_pendingPids.contains(pid) && !m_judgedExecs.contains(pid)))
                m_candidates.push_back(slot);
        }
        HandleNewProcesses();
        HandleEndedProcesses();
    }
    KeepJudgedPending();
    m_flags.firstSnapshot = false;

    m_previous.swap(m_current);
    m_observer.CountersChanged();
    if (listing)
        m_observer.ProcessListChanged();
}

std::vector<std::string> ProcessGuard::processListLines() const {
    const auto& list = processList();
    std::vector<std::string> lines;
    lines.reserve(list.size());
    for (const auto& item : list)
        lines.push_back(item.line());
    return lines;
}

void ProcessGuard::CountWindows() {
    const auto counts = inspect::CountProcessWindows(m_windows);
    if (counts.empty())
        return;
    for (size_t slot = 0; slot < m_table.size(); ++slot) {
        if (auto it = counts.find(m_table[slot].th32ProcessID); it != counts.end())
            m_table.SetWindowCount(slot, it->second);
    }
}

void ProcessGuard::HandleNewProcesses() {
    const size_t stop = JudgeNewNames();
    // A decision that ends the pass leaves later names unjudged; an exec held inside
    // execve among them is not let go unjudged but judged by the next pass.
    for (size_t c = stop + 1; c < m_candidates.size(); ++c) {
        const uint32_t pid = m_table[m_candidates[c]].th32ProcessID;
        if (m_pendingPids.contains(pid) && !m_judgedExecs.contains(pid))
            m_unreachedExecs.push_back(pid);
    }
}

// Only an exec still held stays judged: a later one of its PID is another.
void ProcessGuard::KeepJudgedPending() {
    std::erase_if(m_judgedExecs, [&](uint32_t pid) { return !m_pendingPids.contains(pid); });
}

size_t ProcessGuard::JudgeNewNames() {
    if (!m_killedPids.empty()) {
        // Kept while that process is listed: a later one of its PID is another.
        std::map<uint32_t, uint64_t> listed;
        auto keep = [&](uint32_t pid, uint64_t startTime) {
            const auto killed = m_killedPids.find(pid);
            if (killed != m_killedPids.end() &&
                (killed->second == 0 || killed->second == startTime))
                listed.insert(*killed);
        };
        if (m_liveValid) { // an event pass: the index knows who is listed
            for (const auto& [pid, startTime] : m_killedPids) {
                if (auto where = m_live.find(pid); where != m_live.end())
                    keep(pid, where->second.startTime);
            }
        } else {
            for (size_t slot = 0; slot < m_table.size(); ++slot)
                keep(m_table[slot].th32ProcessID, m_table.startTime(slot));
        }
        m_killedPids.swap(listed);
    }
    for (size_t c = 0; c < m_candidates.size(); ++c) {
        const size_t slot = m_candidates[c];
        const uint32_t pid = m_table[slot].th32ProcessID;
        if (m_pendingPids.contains(pid))
            m_judgedExecs.insert(pid);
        const std::string name = m_table[slot].exeName;
        if (NeverJudged(name)) {
            NotJudged(slot, name);
            continue;
        }
        m_flags.listRefreshPending = true;

        // The jail follows the name comparison: a name it calls new is present again.
        if (auto quota = m_newQuota.find(name); quota != m_newQuota.end() && quota->second > 0) {
            --quota->second;
            if (JailEntry* entry = m_jail.Find(name)) {
                entry->lastAccessTime = m_shell.TimeText(m_clock.now());
                entry->present = true;
            }
        }

        m_currentSlot = static_cast<int16_t>(slot);
        m_currentPid = pid;
        const uint32_t parent = m_table[slot].th32ParentProcessID;
        if (m_killedPids.contains(pid) &&
            (m_killedPids[pid] == 0 || m_killedPids[pid] == m_table.startTime(slot)))
            continue; // decided already, under the program it was made about

        if (m_modes.antiExe()) {
            Decide(DecisionKind::KilledAntiExe, pid, parent, name, ImagePathOr(pid, name));
            KillProcess(pid);
            return c;
        }
        if (m_trust.MatchesWhitelist(name)) {
            Decide(DecisionKind::Trusted, pid, parent, name, ImagePathOr(pid, name));
            return c;
        }
        if (m_modes.justNotify()) {
            Decide(DecisionKind::Announced, pid, parent, name, ImagePathOr(pid, name));
            m_observer.ShowTrayMessage("WARNING", "New process detected : " + name);
            return c;
        }
        if (m_trust.MatchesBlacklist(name)) {
            Decide(DecisionKind::KilledBlacklisted, pid, parent, name, ImagePathOr(pid, name));
            KillProcess(pid);
            return c;
        }
        if (const RememberedAnswer* remembered = m_remembered.Find(name)) {
            const RememberedAnswer answer = *remembered; // the observer may forget it meanwhile
            ApplyRemembered(answer, name);
            continue;
        }
        HoldProcess(name);
    }
    return m_candidates.size();
}

void ProcessGuard::HoldProcess(std::string_view name) {
    auto path = Detect(name, true, {}, DecisionKind::Held);
    if (!path)
        return;
    m_observer.ProcessPendingEvents();
    auto alert = popForm(m_currentSlot, std::move(*path));
    m_openAlerts.push_back(alert);
    inspect::MinimizeAllWindows(m_windows, m_processes.CurrentProcessId());
    m_observer.OpenAlert(alert);
}

std::optional<std::string> ProcessGuard::Detect(std::string_view name, bool suspend,
                                                std::string_view note, DecisionKind kind) {
    const ProcessRecord& record = m_table[static_cast<size_t>(m_currentSlot)];
    const uint32_t pid = record.th32ProcessID;
    const uint32_t parentPid = record.th32ParentProcessID;
    const auto held = suspend ? m_processes.SuspendProcess(pid) : platform::Status{};
    ++m_counters.totalDetected;
    m_observer.CountersChanged();

    std::string path = ImagePathOr(m_currentPid, name);
    std::string line = inspect::CurrentTimeStamp(m_shell, m_clock.now()) + " - " + path;
    if (!held && held.error().code == platform::Errc::NotFound) {
        // Gone before the pass reached it (a short program between two timer passes):
        // nothing runs on, so there is nothing to warn about.
        const std::string reason = std::string(kEndedUnheldNote);
        line += " (" + reason + ")";
        m_processLog.push_back(line);
        m_observer.LogLineAdded(line);
        Decide(DecisionKind::EndedUnheld, pid, parentPid, name, path, reason);
        return std::nullopt;
    }
    if (!held) {
        // It runs on: an alert would claim a hold that is not there.
        const std::string reason = held.error().message;
        line += " (not held: " + reason + ")";
        m_processLog.push_back(line);
        m_observer.LogLineAdded(line);
        Decide(DecisionKind::HoldFailed, pid, parentPid, name, path, reason);
        m_observer.ShowTrayMessage("WARNING", std::string(kNotHeldMessage) + std::string(name) +
                                                  " (" + reason + ")");
        return std::nullopt;
    }
    if (!note.empty())
        line += " (" + std::string(note) + ")";
    m_processLog.push_back(line);
    m_observer.LogLineAdded(line);
    Decide(kind, pid, parentPid, name, path);
    return path;
}

// The answer the user gave earlier, given again: no alert, but the same counts, log
// line and jail record as that answer.
void ProcessGuard::ApplyRemembered(const RememberedAnswer& answer, std::string_view name) {
    const bool block = answer.verdict == kVerdictBlocked;
    const uint32_t pid = m_currentPid;
    const auto path =
        Detect(name, block, "remembered: " + answer.answerText(),
               block ? DecisionKind::BlockedRemembered : DecisionKind::AllowedRemembered);
    if (!path)
        return;
    if (block) {
        m_counters.lastBlocked = name;
        ++m_counters.blockedCount;
        ++m_counters.blockedOverview;
        m_observer.CountersChanged();
    }
    const auto now = m_clock.now();
    m_jail.RecordVerdict(name, static_cast<int32_t>(pid), answer.verdict, m_shell.TimeText(now),
                         m_shell.ShortDateText(now));
    if (block)
        RebuildJailList();
}

void ProcessGuard::HandleEndedProcesses() {
    for (size_t j = 0; j < m_previous.size(); ++j) {
        if (m_endedFlags[j] != 0)
            continue;
        EndName(m_previous[j].name);
    }
}

// One instance of a name that no process runs any more.
void ProcessGuard::EndName(const std::string& name) {
    if (NeverJudged(name))
        return;
    m_flags.listRefreshPending = true;
    if (JailEntry* entry = m_jail.Find(name)) {
        entry->present = false;
        entry->blockedIds.clear(); // none of them runs any more
    }
    RebuildJailList();
}

void ProcessGuard::RebuildJailList() {
    m_jail.RebuildJailList();
    m_observer.JailListChanged();
}

void ProcessGuard::StartStopGuard() {
    if (m_flags.running) {
        m_timerEnabled = false;
        m_flags.running = false;
    } else {
        m_flags.started = true;
        m_timerEnabled = true;
        ApplyIntervalOnStart();
        m_flags.running = true;
    }
    SyncTriage();
    m_observer.GuardStateChanged();
}

void ProcessGuard::ApplyInterval() {
    const ParsedInterval parsed = ParseInterval(m_intervalText);
    switch (parsed.kind) {
    case IntervalKind::Empty:
        // A blank box stops the guard.
        m_flags.running = true;
        StartStopGuard();
        return;
    case IntervalKind::Invalid:
        m_observer.ShowMessage(std::string(kInvalidIntervalMessage),
                               std::string(kInvalidIntervalTitle), MessageIcon::Warning);
        // The box must not go on claiming a period the guard does not use.
        m_intervalText = IntervalText(m_periodMs);
        m_observer.GuardStateChanged();
        return;
    case IntervalKind::Period:
        m_periodMs = parsed.periodMs;
        m_observer.GuardStateChanged();
        return;
    }
}

// Start reads the box too, but a blank box must not stop the guard it is starting.
void ProcessGuard::ApplyIntervalOnStart() {
    if (m_intervalText.empty())
        m_periodMs = kDefaultPeriodMs;
    else
        ApplyInterval();
}

void ProcessGuard::UnblockSelected(std::optional<size_t> selected) {
    const auto& list = m_jail.list();
    const std::string text = selected && *selected < list.size() ? list[*selected] : "";
    if (text.empty()) {
        m_observer.ShowMessage(std::string(kSelectFirstMessage), "Quorvel", MessageIcon::Warning);
        return;
    }
    std::vector<const JailEntry*> released;
    for (const auto& entry : m_jail.slots()) {
        if (EqualsUpperCase(entry.exeName, text))
            released.push_back(&entry);
    }
    Release(released);
    m_jail.RemoveListItem(*selected);
    m_counters.blockedCount = static_cast<int32_t>(m_jail.list().size());
    m_counters.blockedOverview = m_counters.blockedCount;
    m_observer.JailListChanged();
    m_observer.CountersChanged();
}

void ProcessGuard::ForgetRemembered(std::optional<size_t> selected) {
    if (!selected || !m_remembered.Forget(*selected)) {
        m_observer.ShowMessage(std::string(kSelectFirstMessage), "Quorvel", MessageIcon::Warning);
        return;
    }
    m_observer.RememberedAnswersChanged();
}

bool ProcessGuard::ExitSequence() {
    ReentryGuard exiting(m_busy);
    if (!exiting)
        return false;
    m_closed = true;
    SyncTriage(); // no new holds from here on
    // Whatever happens below, held execs become stopped processes before the events go.
    struct StopHolding {
        platform::ExecEvents* events;
        ~StopHolding() {
            if (events)
                events->StopHolding();
        }
    } stopHolding{m_events};

    // An alert still open holds a process nobody judged: the countdown's answer puts it
    // in the jail, so the question below counts it and Yes releases it.
    const auto open = m_openAlerts;
    for (const auto& alert : open)
        alert->Block();

    const auto& list = m_jail.list();
    if (list.empty())
        return true;
    const std::string question = "You have " + std::to_string(list.size()) +
                                 " Blocked processes. Do you want to resume these processes "
                                 "and exit?";
    if (!m_observer.AskYesNo(question, "Exit"))
        return true;
    std::vector<const JailEntry*> released;
    for (const auto& entry : m_jail.slots()) {
        for (const auto& item : m_jail.list()) {
            if (EqualsUpperCase(item, entry.exeName))
                released.push_back(&entry);
        }
    }
    Release(released);
    return true;
}

void ProcessGuard::Release(const std::vector<const JailEntry*>& entries) {
    std::set<uint32_t> ids;
    for (const JailEntry* entry : entries) {
        for (int32_t id : Jail::ReleaseIds(*entry)) {
            (void)m_processes.ResumeProcess(static_cast<uint32_t>(id));
            ids.insert(static_cast<uint32_t>(id));
        }
    }
    if (ids.empty())
        return;
    // A process judged twice is held twice: releasing it releases every hold of ours.
    for (const auto& held : m_processes.ListHeldProcesses()) {
        if (held.holderRunning && ids.contains(held.pid))
            for (uint32_t i = 0; i < held.holds; ++i)
                (void)m_processes.ResumeProcess(held.pid);
    }
}

void ProcessGuard::KillProcess(uint32_t pid) {
    uint64_t startTime = 0;
    for (size_t slot = 0; slot < m_table.size() && startTime == 0; ++slot) {
        if (m_table[slot].th32ProcessID == pid)
            startTime = m_table.startTime(slot);
    }
    m_killedPids[pid] = startTime;
    inspect::KillProcess(m_processes, static_cast<int32_t>(pid));
    m_observer.ProcessPendingEvents();
}

std::string ProcessGuard::ImagePathOr(uint32_t pid, std::string_view name) {
    std::string path =
        inspect::GetProcessImagePath(m_processes, m_shell, static_cast<int32_t>(pid));
    if (path == inspect::kNoImagePath)
        return std::string(name);
    return path;
}

void ProcessGuard::Decide(DecisionKind kind, uint32_t pid, uint32_t parentPid,
                          std::string_view name, std::string path, std::string reason,
                          std::optional<DecisionStage> stage) {
    const bool inExec = pid != 0 && m_pendingPids.contains(pid);
    if (!stage)
        stage = inExec ? DecisionStage::BeforeStart : DecisionStage::Running;
    if (m_lostEvents && m_busy && reason.empty() && !inExec)
        reason = "ran unheld: the kernel's exec event queue overflowed";
    m_observer.DecisionMade(GuardDecision{kind, pid, std::string(name), std::move(path), parentPid,
                                          std::move(reason), *stage});
}

// Names that are never judged are still logged: their lines show what ran unjudged.
void ProcessGuard::NotJudged(size_t index, std::string_view name) {
    const auto slot = index < m_table.size() && m_table[index].exeName == name
                          ? std::optional<int16_t>(static_cast<int16_t>(index))
                          : FindInstanceSlot(m_table, name);
    if (!slot)
        return;
    const ProcessRecord& record = m_table[static_cast<size_t>(*slot)];
    Decide(DecisionKind::AllowedUnjudged, record.th32ProcessID, record.th32ParentProcessID, name,
           ImagePathOr(record.th32ProcessID, name),
           "its name holds \"" + std::string(kNeverJudged) + "\": never judged");
}

std::shared_ptr<Alert> ProcessGuard::popForm(int16_t slot, std::string path) {
    const ProcessRecord& record = m_table[static_cast<size_t>(slot)];
    AlertInfo info;
    info.pid = record.th32ProcessID;
    info.parentPid = record.th32ParentProcessID;
    info.windowCount = record.windowCount;
    info.name = record.exeName;
    info.szExeFile = record.szExeFile();
    // checkforJailed
    if (const JailEntry* entry = m_jail.Find(info.name)) {
        info.attempts = std::to_string(entry->attemptCount);
        info.lastAction = entry->lastAction;
    } else {
        info.attempts = "0";
        info.lastAction = "N/A";
    }
    info.path = std::move(path);
    AlertHost& host = *this;
    return std::make_shared<Alert>(std::move(info), host);
}

void ProcessGuard::CloseAlert(Alert& alert) {
    m_observer.AlertClosed(alert);
    std::erase_if(m_openAlerts, [&](const auto& open) { return open.get() == &alert; });
}

void ProcessGuard::AnswerAllow(Alert& alert, AnswerDuration duration) {
    const AlertInfo& info = alert.info();
    (void)m_processes.ResumeProcess(info.pid);
    const auto now = m_clock.now();
    m_jail.RecordVerdict(info.name, static_cast<int32_t>(info.pid), kVerdictAllowed,
                         m_shell.TimeText(now), m_shell.ShortDateText(now));
    Decide(DecisionKind::Allowed, info.pid, info.parentPid, info.name, info.path);
    CloseAlert(alert);
    Keep(info.name, kVerdictAllowed, duration);
}

void ProcessGuard::AnswerBlock(Alert& alert, AnswerDuration duration) {
    const AlertInfo& info = alert.info();
    m_counters.lastBlocked = info.name;
    ++m_counters.blockedCount;
    ++m_counters.blockedOverview;
    m_observer.CountersChanged();
    const auto now = m_clock.now();
    m_jail.RecordVerdict(info.name, static_cast<int32_t>(info.pid), kVerdictBlocked,
                         m_shell.TimeText(now), m_shell.ShortDateText(now));
    inspect::MinimizeAllWindows(m_windows, m_processes.CurrentProcessId());
    RebuildJailList();
    Decide(DecisionKind::Blocked, info.pid, info.parentPid, info.name, info.path);
    CloseAlert(alert);
    Keep(info.name, kVerdictBlocked, duration);
}

void ProcessGuard::Keep(const std::string& name, std::string_view verdict,
                        AnswerDuration duration) {
    switch (duration) {
    case AnswerDuration::ThisTime:
        return;
    case AnswerDuration::UntilExit:
        m_remembered.Remember(name, verdict);
        m_observer.RememberedAnswersChanged();
        return;
    case AnswerDuration::Always:
        AddAlways(verdict == kVerdictBlocked ? TrustListKind::Blacklist : TrustListKind::Whitelist,
                  name);
        return;
    }
}

void ProcessGuard::AddAlways(TrustListKind list, const std::string& name) {
    if (!m_answerLists)
        return;
    const ListSaveReport report = m_answerLists->AddToListAndSave(list, name);
    if (report.saved) {
        // The list decides from now on; an answer remembered for the name would only
        // show in the list of them without ever being asked.
        if (m_remembered.Find(name)) {
            m_remembered.ForgetName(name);
            m_observer.RememberedAnswersChanged();
        }
        if (m_sharedTrust)
            m_sharedTrust = m_answerLists->FrozenCopy();
        SyncTriage();
        m_observer.TrustListsChanged();
    }
    m_observer.ShowMessage(report.text, report.title, report.icon);
}

void ProcessGuard::AnswerKillNow(Alert& alert) {
    const AlertInfo& info = alert.info();
    Decide(DecisionKind::KilledNow, info.pid, info.parentPid, info.name, info.path);
    KillProcess(info.pid);
    RebuildJailList();
    CloseAlert(alert);
}

} // namespace quorvel::guard
