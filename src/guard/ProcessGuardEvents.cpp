// The passes that follow exec events: the processes the events named are read one by
// one and the table is updated in place, so that a pass costs what changed, not what
// runs. What they decide is what a pass over a full listing would decide.
#include "guard/CaseFold.h"
#include "guard/ProcessGuard.h"
#include "guard/ReentryGuard.h"

#include <algorithm>
#include <map>
#include <utility>

namespace quorvel::guard {

namespace {

// Changes kept for the list before it is copied out instead.
constexpr size_t kMaxListJournal = 4096;

std::string_view UpToNul(std::string_view name) {
    return name.substr(0, name.find('\0'));
}

} // namespace

bool ProcessGuard::EventPassPossible() const {
    return !m_fullPassWanted && m_listComplete && m_flags.started && !m_flags.firstSnapshot &&
           !m_closed && m_table.size() + m_eventPids.size() < ProcessTable::kCapacity;
}

bool ProcessGuard::EventPassPending() const {
    return m_fullPassWanted || !m_eventPids.empty() || !m_eventExits.empty();
}

PassOutcome ProcessGuard::EventPass() {
    if (!EventPassPossible())
        return Tick();
    ReentryGuard pass(m_busy);
    if (!pass || m_closed)
        return PassOutcome::Refused;
    SyncTriage();
    m_eventSincePass = false;
    struct Settle {
        ProcessGuard& guard;
        ~Settle() { guard.SettleExecs(); }
    } settle{*this};
    ++m_passes;
    m_incrementalSinceFull = true;
    const bool listing = m_flags.listRefreshPending;

    EnsureLiveIndex();
    m_touched.clear();
    m_identityNew.clear();
    m_endedSpellings.clear();
    // Held execs the last pass did not reach are read again, so that they count as seen.
    std::vector<uint32_t> reads;
    reads.swap(m_eventPids);
    reads.insert(reads.end(), m_unreachedExecs.begin(), m_unreachedExecs.end());
    m_unreachedExecs.clear();
    std::sort(reads.begin(), reads.end());
    reads.erase(std::unique(reads.begin(), reads.end()), reads.end());
    for (const uint32_t pid : reads)
        ReadAndApply(pid);
    // An exit of a process also read this pass waits until it is judged: a program that
    // exec'd and ended within one drain is judged still (its zombie reads as the program),
    // and so is one that took the PID of a process that ended in the same drain.
    std::vector<uint32_t> afterJudging;
    for (const uint32_t pid : m_eventExits) {
        if (std::binary_search(reads.begin(), reads.end(), pid))
            afterJudging.push_back(pid);
        else
            RemoveLive(pid);
    }
    m_eventExits.clear();
    m_eventNames.clear();

    m_candidates.clear();
    auto addCandidate = [&](uint32_t pid) {
        auto where = m_live.find(pid);
        if (where == m_live.end() || where->second.forkCopy)
            return;
        if (auto slot = m_table.Find(where->second.startTime, pid))
            m_candidates.push_back(*slot);
    };
    for (const uint32_t pid : m_identityNew)
        addCandidate(pid);
    for (const uint32_t pid : m_pendingPids) {
        if (!m_judgedExecs.contains(pid))
            addCandidate(pid);
    }
    std::sort(m_candidates.begin(), m_candidates.end());
    m_candidates.erase(std::unique(m_candidates.begin(), m_candidates.end()), m_candidates.end());

    m_newQuota.clear();
    for (const auto& [name, before] : m_touched) {
        const int32_t after = m_nameCounts.Count(name);
        if (after > before)
            m_newQuota[name] = after - before;
    }
    m_counters.processesListed = static_cast<int32_t>(m_table.size() + m_forkCopies.size());

    HandleNewProcesses();
    for (const uint32_t pid : afterJudging)
        RemoveLive(pid);
    m_counters.processesListed = static_cast<int32_t>(m_table.size() + m_forkCopies.size());
    for (const auto& name : m_endedSpellings) {
        if (m_nameCounts.Count(name) == 0)
            EndName(name);
    }
    KeepJudgedPending();

    if (listing) {
        m_listJournal.clear();
        m_listFollowsLive = true;
        m_liveListStale = true;
        m_flags.listRefreshPending = false;
    }
    m_observer.CountersChanged();
    if (listing)
        m_observer.ProcessListChanged();
    return PassOutcome::Done;
}

// Once after each full listing: where each process is, and the names' counts.
void ProcessGuard::EnsureLiveIndex() {
    if (m_liveValid)
        return;
    m_live.clear();
    m_live.reserve(m_table.size() + m_forkCopies.size());
    m_nameCounts.Clear();
    for (size_t slot = 0; slot < m_table.size(); ++slot) {
        m_live[m_table[slot].th32ProcessID] = {m_table.startTime(slot), false};
        m_nameCounts.Add(m_table[slot].exeName);
    }
    for (size_t i = 0; i < m_forkCopies.size(); ++i)
        m_live[m_forkCopies[i].pid] = {m_forkStarts[i], true};
    m_liveValid = true;
}

void ProcessGuard::ReadAndApply(uint32_t pid) {
    auto read = m_processes.ReadProcess(pid);
    if (!read) {
        RemoveLive(pid); // ended, or not listed (a kernel thread)
        return;
    }
    platform::ProcessEntry entry = std::move(read).value();
    entry.exeName = std::string(UpToNul(entry.exeName));
    // Let go inside execve and read before execve was through: it shows what it replaces
    // (a copy of its parent, or no executable at all), yet runs the program it was let go
    // for. A listing taken a moment later would show that.
    if (auto named = m_eventNames.find(pid);
        named != m_eventNames.end() && !entry.execPending && entry.exeName != named->second) {
        entry.exeName = named->second;
        entry.forkCopy = false;
    }
    if (auto known = m_live.find(pid); known != m_live.end()) {
        const LiveWhere where = known->second;
        if (where.startTime == entry.startTime && where.forkCopy == entry.forkCopy) {
            if (where.forkCopy) {
                const auto at =
                    std::lower_bound(m_forkStarts.begin(), m_forkStarts.end(), where.startTime) -
                    m_forkStarts.begin();
                for (auto i = static_cast<size_t>(at); i < m_forkCopies.size(); ++i) {
                    if (m_forkStarts[i] != where.startTime)
                        break;
                    if (m_forkCopies[i].pid == pid && m_forkCopies[i].name == entry.exeName)
                        return; // the same copy
                }
            } else if (auto slot = m_table.Find(where.startTime, pid);
                       slot && m_table[*slot].exeName == entry.exeName) {
                // The same program in the same process: only what a listing refreshes.
                ProcessRecord& record = m_table.At(*slot);
                record.th32ParentProcessID = entry.parentPid;
                record.cntThreads = entry.threadCount;
                record.pcPriClassBase = entry.basePriority;
                if (entry.execPending)
                    m_pendingPids.insert(pid);
                else
                    m_pendingPids.erase(pid);
                return;
            }
        }
        RemoveLive(pid);
    }
    InsertLive(std::move(entry));
}

void ProcessGuard::TouchName(std::string_view name) {
    if (m_touched.find(name) == m_touched.end())
        m_touched.emplace(std::string(name), m_nameCounts.Count(name));
}

void ProcessGuard::RemoveLive(uint32_t pid) {
    auto known = m_live.find(pid);
    if (known == m_live.end())
        return;
    const LiveWhere where = known->second;
    m_live.erase(known);
    m_liveListStale = true;
    if (where.forkCopy) {
        for (size_t i = static_cast<size_t>(
                 std::lower_bound(m_forkStarts.begin(), m_forkStarts.end(), where.startTime) -
                 m_forkStarts.begin());
             i < m_forkCopies.size() && m_forkStarts[i] == where.startTime; ++i) {
            if (m_forkCopies[i].pid != pid)
                continue;
            const std::string name = std::move(m_forkCopies[i].name);
            m_forkCopies.erase(m_forkCopies.begin() + static_cast<std::ptrdiff_t>(i));
            m_forkStarts.erase(m_forkStarts.begin() + static_cast<std::ptrdiff_t>(i));
            JournalList(false, where.startTime, pid, name);
            return;
        }
        return;
    }
    const auto slot = m_table.Find(where.startTime, pid);
    if (!slot)
        return;
    const std::string name = m_table[*slot].exeName;
    TouchName(name);
    m_nameCounts.Remove(name);
    m_endedSpellings.push_back(name);
    m_table.Erase(*slot);
    m_previous.erase(m_previous.begin() + static_cast<std::ptrdiff_t>(*slot));
    m_pendingPids.erase(pid);
    JournalList(false, where.startTime, pid, name);
}

void ProcessGuard::InsertLive(platform::ProcessEntry entry) {
    const uint32_t pid = entry.pid;
    const uint64_t start = entry.startTime;
    m_live[pid] = {start, entry.forkCopy};
    m_liveListStale = true;
    if (entry.forkCopy) {
        size_t at =
            static_cast<size_t>(std::lower_bound(m_forkStarts.begin(), m_forkStarts.end(), start) -
                                m_forkStarts.begin());
        while (at < m_forkCopies.size() && m_forkStarts[at] == start && m_forkCopies[at].pid < pid)
            ++at;
        const auto offset = static_cast<std::ptrdiff_t>(at);
        m_forkCopies.insert(m_forkCopies.begin() + offset, {pid, entry.exeName});
        m_forkStarts.insert(m_forkStarts.begin() + offset, start);
        JournalList(true, start, pid, entry.exeName);
        return;
    }
    ProcessRecord record = RecordOf(entry, entry.exeName);
    const uint64_t hash = UpperCaseHash(entry.exeName);
    TouchName(entry.exeName);
    m_nameCounts.Add(entry.exeName);
    const size_t slot = m_table.LowerBound(start, pid);
    m_table.Insert(slot, std::move(record), hash, start);
    m_previous.insert(m_previous.begin() + static_cast<std::ptrdiff_t>(slot),
                      SnapshotName{entry.exeName, hash});
    if (entry.execPending)
        m_pendingPids.insert(pid);
    m_identityNew.push_back(pid);
    JournalList(true, start, pid, entry.exeName);
}

// Called after the change it records, so that undoing the journal from the table as it
// is gives the list as it was.
void ProcessGuard::JournalList(bool inserted, uint64_t startTime, uint32_t pid,
                               const std::string& name) {
    if (!m_listFollowsLive)
        return;
    m_listJournal.push_back({inserted, startTime, {pid, name}});
    if (m_listJournal.size() > kMaxListJournal)
        FreezeProcessList();
}

void ProcessGuard::FreezeProcessList() {
    if (!m_listFollowsLive)
        return;
    m_processList = LiveProcessList();
    m_listFollowsLive = false;
    m_listJournal.clear();
}

std::vector<ProcessListItem> ProcessGuard::LiveProcessList() const {
    using Key = std::pair<uint64_t, uint32_t>;
    std::map<Key, std::string> items;
    for (size_t slot = 0; slot < m_table.size(); ++slot)
        items.emplace(Key{m_table.startTime(slot), m_table[slot].th32ProcessID},
                      m_table[slot].exeName);
    for (size_t i = 0; i < m_forkCopies.size(); ++i)
        items.emplace(Key{m_forkStarts[i], m_forkCopies[i].pid}, m_forkCopies[i].name);
    for (auto change = m_listJournal.rbegin(); change != m_listJournal.rend(); ++change) {
        const Key key{change->startTime, change->item.pid};
        if (change->inserted)
            items.erase(key);
        else
            items[key] = change->item.name;
    }
    std::vector<ProcessListItem> list;
    list.reserve(items.size());
    for (auto& [key, name] : items)
        list.push_back({key.second, name});
    return list;
}

const std::vector<ProcessListItem>& ProcessGuard::processList() const {
    if (!m_listFollowsLive)
        return m_processList;
    if (m_liveListStale) {
        m_liveListCache = LiveProcessList();
        m_liveListStale = false;
    }
    return m_liveListCache;
}

} // namespace quorvel::guard
