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
    return TickOver(m_processes.ListProcesses());
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
        ~Settle() {
            if (!guard.m_events)
                return;
            // What the pass did not reach stays held for the next one, which is due.
            guard.m_events->SettlePending(guard.m_unreachedExecs);
            if (!guard.m_unreachedExecs.empty())
                guard.m_eventSincePass = true;
        }
    } settle{*this};
    struct AfterLoss {
        bool& lost;
        ~AfterLoss() { lost = false; }
    } afterLoss{m_lostEvents};
    if (m_flags.listRefreshPending) {
        m_processList.clear();
        TakeSnapshot(std::move(entries).value());
        m_flags.listRefreshPending = false;
        m_observer.ProcessListChanged();
    } else {
        TakeSnapshot(std::move(entries).value());
    }
    return PassOutcome::Done;
}

PassOutcome ProcessGuard::TickWith(platform::Result<std::vector<platform::ProcessEntry>> entries,
                                   uint64_t listedAt) {
    if (listedAt != m_passes)
        return PassOutcome::Outdated;
    return TickWith(std::move(entries));
}

bool ProcessGuard::TimerPassDue() const {
    const bool quiet = m_events && m_events->live() && m_events->reportsExits() &&
                       !m_eventSincePass && !m_flags.listRefreshPending && !m_busy;
    return !(quiet && m_flags.started && !m_flags.firstSnapshot);
}

PassOutcome ProcessGuard::TimerTick() {
    if (!TimerPassDue())
        return PassOutcome::Skipped;
    return Tick();
}

PassOutcome ProcessGuard::ExecEventsReady() {
    if (!TakeExecEvents())
        return PassOutcome::Skipped;
    return Tick();
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
        m_observer.DecisionMade(GuardDecision{denialKind, denied.pid, std::move(denied.name),
                                              std::move(denied.path), denied.parentPid,
                                              std::move(denied.reason), DecisionStage::BeforeStart,
                                              denied.ownerId, std::move(denied.file)});
        if (denied.pid != 0)
            m_killedPids.insert(denied.pid);
    }
    for (auto& unheld : drained.unheld)
        Decide(DecisionKind::HoldFailed, unheld.pid, unheld.parentPid, unheld.name,
               std::move(unheld.path), std::move(unheld.reason), DecisionStage::BeforeStart);
    // The kernel dropped events: what the next pass finds has run unheld until then.
    if (drained.lost)
        m_lostEvents = true;
    if (!drained.passNeeded && !drained.lost && !m_events->live())
        return false;
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
    TakeSnapshot(std::move(entries).value());
    return PassOutcome::Done;
}

void ProcessGuard::TakeSnapshot(std::vector<platform::ProcessEntry> entries) {
    ++m_passes;
    m_counters.processesListed = 0;
    m_table.Clear();
    m_table.Reserve(entries.size());
    m_current.clear();
    m_current.reserve(entries.size());
    const bool listing = m_flags.listRefreshPending;

    m_forkCopies.clear();
    m_pendingExecs.clear();
    m_unreachedExecs.clear();
    for (auto& entry : entries) {
        ++m_counters.processesListed;
        SnapshotName name;
        name.name = UpToNul(entry.exeName);
        name.hash = UpperCaseHash(name.name);
        if (listing)
            m_processList.push_back({entry.pid, name.name});
        // Not yet a program of its own: judged under the name it executes, once it does.
        if (entry.forkCopy) {
            m_forkCopies.push_back({entry.pid, std::move(name.name)});
            continue;
        }

        ProcessRecord record;
        record.cntUsage = entry.usage;
        record.th32ProcessID = entry.pid;
        record.th32DefaultHeapID = entry.defaultHeapId;
        record.th32ModuleID = entry.moduleId;
        record.cntThreads = entry.threadCount;
        record.th32ParentProcessID = entry.parentPid;
        record.pcPriClassBase = entry.basePriority;
        record.dwFlags = entry.flags;
        record.exeName = name.name;
        const uint64_t hash = name.hash;
        m_current.push_back(std::move(name));
        m_pendingExecs.push_back(entry.execPending ? entry.pid : 0);
        if (!m_table.StoreHashed(std::move(record), hash) && !m_tableFullReported) {
            // Once per run: beyond the slot range every snapshot would raise it again.
            m_tableFullReported = true;
            m_observer.ShowMessage(std::string(kTableFullMessage), std::string(kTableFullTitle),
                                   MessageIcon::Warning);
        }
    }

    CountWindows();

    if (!m_flags.firstSnapshot && m_flags.started) {
        m_comparer.Compare(m_previous, m_current, m_newFlags, m_endedFlags);
        // Another instance of the name that ended unseen must not hide a new exec; one
        // already judged stays judged while it waits for its answer.
        for (size_t i = 0; i < m_current.size(); ++i) {
            if (m_pendingExecs[i] != 0 && !m_judgedExecs.contains(m_pendingExecs[i]))
                m_newFlags[i] = 0;
        }
        HandleNewProcesses();
        HandleEndedProcesses();
    }
    std::set<uint32_t> stillPending;
    for (const uint32_t pid : m_pendingExecs) {
        if (pid != 0 && m_judgedExecs.contains(pid))
            stillPending.insert(pid);
    }
    m_judgedExecs.swap(stillPending);
    m_flags.firstSnapshot = false;

    m_previous.swap(m_current);
    m_observer.CountersChanged();
    if (listing)
        m_observer.ProcessListChanged();
}

std::vector<std::string> ProcessGuard::processListLines() const {
    std::vector<std::string> lines;
    lines.reserve(m_processList.size());
    for (const auto& item : m_processList)
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
    for (size_t j = stop + 1; j < m_current.size(); ++j) {
        if (m_pendingExecs[j] != 0 && !m_judgedExecs.contains(m_pendingExecs[j]))
            m_unreachedExecs.push_back(m_pendingExecs[j]);
    }
}

size_t ProcessGuard::JudgeNewNames() {
    if (!m_killedPids.empty()) {
        std::set<uint32_t> listed;
        for (size_t slot = 0; slot < m_table.size(); ++slot) {
            if (m_killedPids.contains(m_table[slot].th32ProcessID))
                listed.insert(m_table[slot].th32ProcessID);
        }
        m_killedPids.swap(listed);
    }
    for (size_t i = 0; i < m_current.size(); ++i) {
        if (m_pendingExecs[i] != 0)
            m_judgedExecs.insert(m_pendingExecs[i]);
        if (m_newFlags[i] != 0)
            continue;
        const std::string& name = m_current[i].name;
        if (NeverJudged(name)) {
            NotJudged(i, name);
            continue;
        }
        m_flags.listRefreshPending = true;

        if (JailEntry* entry = m_jail.Find(name)) {
            entry->lastAccessTime = m_shell.TimeText(m_clock.now());
            entry->present = true;
        }

        // No record of the name: it did not fit the table. Acting on whatever another
        // slot holds would judge the wrong process, so the name is left alone.
        // A held exec is its own instance: two of one name in a pass are two processes.
        const bool pending =
            m_pendingExecs[i] != 0 && i < m_table.size() && m_table[i].exeName == name;
        const auto slot = pending ? std::optional<int16_t>(static_cast<int16_t>(i))
                                  : FindInstanceSlot(m_table, name);
        if (!slot)
            continue;
        m_currentSlot = *slot;
        m_currentPid = m_table[static_cast<size_t>(*slot)].th32ProcessID;
        const uint32_t pid = m_currentPid;
        const uint32_t parent = m_table[static_cast<size_t>(*slot)].th32ParentProcessID;
        if (m_killedPids.contains(pid))
            continue; // decided already, under the program it was made about

        if (m_modes.antiExe()) {
            Decide(DecisionKind::KilledAntiExe, pid, parent, name, ImagePathOr(pid, name));
            KillProcess(pid);
            return i;
        }
        if (m_trust.MatchesWhitelist(name)) {
            Decide(DecisionKind::Trusted, pid, parent, name, ImagePathOr(pid, name));
            return i;
        }
        if (m_modes.justNotify()) {
            Decide(DecisionKind::Announced, pid, parent, name, ImagePathOr(pid, name));
            m_observer.ShowTrayMessage("WARNING", "New process detected : " + name);
            return i;
        }
        if (m_trust.MatchesBlacklist(name)) {
            Decide(DecisionKind::KilledBlacklisted, pid, parent, name, ImagePathOr(pid, name));
            KillProcess(pid);
            return i;
        }
        if (const RememberedAnswer* remembered = m_remembered.Find(name)) {
            const RememberedAnswer answer = *remembered; // the observer may forget it meanwhile
            ApplyRemembered(answer, name);
            continue;
        }
        HoldProcess(name);
    }
    return m_current.size();
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
        const std::string& name = m_previous[j].name;
        if (NeverJudged(name))
            continue;
        m_flags.listRefreshPending = true;
        if (JailEntry* entry = m_jail.Find(name)) {
            entry->present = false;
            entry->blockedIds.clear(); // none of them runs any more
        }
        RebuildJailList();
    }
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
    m_killedPids.insert(pid);
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
    const bool inExec = pid != 0 && std::find(m_pendingExecs.begin(), m_pendingExecs.end(), pid) !=
                                        m_pendingExecs.end();
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
