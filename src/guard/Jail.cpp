#include "guard/Jail.h"

#include "guard/CaseFold.h"

#include <limits>

namespace quorvel::guard {

namespace {

void NoteVerdict(JailEntry& entry, int32_t pid, std::string_view verdict) {
    if (verdict == kVerdictBlocked)
        entry.blockedIds.insert(pid);
    else
        entry.blockedIds.erase(pid);
}

} // namespace

Jail::Jail() : m_slots(2) {}

JailEntry* Jail::Find(std::string_view name) {
    for (auto& entry : m_slots) {
        if (EqualsUpperCase(entry.exeName, name))
            return &entry;
    }
    return nullptr;
}

const JailEntry* Jail::Find(std::string_view name) const {
    return const_cast<Jail*>(this)->Find(name);
}

void Jail::RecordVerdict(std::string_view name, int32_t pid, std::string_view verdict,
                         const std::string& timeText, const std::string& dateText) {
    if (JailEntry* entry = Find(name)) {
        // The count is 16-bit: past its range it stays at the top, and so do the times.
        if (entry->attemptCount < std::numeric_limits<int16_t>::max()) {
            ++entry->attemptCount;
            entry->attemptTimes.resize(static_cast<size_t>(entry->attemptCount) + 1);
        }
        entry->lastAction = verdict;
        entry->lastAccessTime = timeText;
        entry->present = true;
        entry->processId = pid;
        entry->attemptTimes[static_cast<size_t>(entry->attemptCount)] = timeText;
        NoteVerdict(*entry, pid, verdict);
        return;
    }
    if (!m_slots.back().exeName.empty())
        m_slots.emplace_back();
    JailEntry& entry = m_slots.back();
    entry.exeName = name;
    entry.attemptCount = 1;
    entry.lastAction = verdict;
    entry.firstAccessTime = timeText;
    entry.lastAccessTime = timeText;
    entry.firstAccessDate = dateText;
    entry.present = true;
    entry.processId = pid;
    entry.attemptTimes = {std::string(), timeText};
    NoteVerdict(entry, pid, verdict);
}

std::vector<int32_t> Jail::ReleaseIds(const JailEntry& entry) {
    std::vector<int32_t> ids{entry.processId};
    for (int32_t id : entry.blockedIds) {
        if (id != entry.processId)
            ids.push_back(id);
    }
    return ids;
}

void Jail::RebuildJailList() {
    m_list.clear();
    for (size_t slot = 1; slot < m_slots.size(); ++slot) {
        const JailEntry& entry = m_slots[slot];
        if (entry.lastAction == kVerdictBlocked && entry.present)
            m_list.push_back(entry.exeName);
    }
}

void Jail::RemoveListItem(size_t index) {
    if (index < m_list.size())
        m_list.erase(m_list.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace quorvel::guard
