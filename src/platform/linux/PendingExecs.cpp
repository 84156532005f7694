#include "platform/linux/PendingExecs.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/fanotify.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {

PendingExecs::~PendingExecs() {
    std::lock_guard lock(m_mutex);
    for (auto& [pid, entry] : m_entries)
        Answer(pid, entry, true);
    m_entries.clear();
}

void PendingExecs::Answer(uint32_t pid, Entry& entry, bool allow) {
    if (!entry.eventFd.valid())
        return;
    fanotify_response response{};
    response.fd = entry.eventFd.get();
    response.response = allow ? FAN_ALLOW : FAN_DENY;
    while (::write(m_fanotifyFd, &response, sizeof response) < 0 && errno == EINTR) {
    }
    entry.eventFd = UniqueFd();
    if (allow)
        m_allowedAt[pid] = std::chrono::steady_clock::now();
}

bool PendingExecs::Add(uint32_t pid, UniqueFd eventFd, std::string path, std::string name) {
    std::lock_guard lock(m_mutex);
    if (m_stopped)
        return false;
    auto& entry = m_entries[pid];
    Answer(pid, entry, true); // an older exec of the same PID cannot still be waiting
    entry = Entry{std::move(eventFd), std::move(path), std::move(name)};
    return true;
}

std::optional<std::string> PendingExecs::NameForListing(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(pid);
    if (it == m_entries.end())
        return std::nullopt;
    it->second.seen = true;
    return it->second.name;
}

std::optional<std::string> PendingExecs::PathOf(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(pid);
    if (it == m_entries.end())
        return std::nullopt;
    return it->second.path;
}

bool PendingExecs::Contains(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    return m_entries.contains(pid);
}

bool PendingExecs::Hold(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(pid);
    if (it == m_entries.end())
        return false;
    it->second.held = true;
    return true;
}

bool PendingExecs::Allow(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(pid);
    if (it == m_entries.end())
        return false;
    Answer(pid, it->second, true);
    m_entries.erase(it);
    return true;
}

bool PendingExecs::Deny(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(pid);
    if (it == m_entries.end())
        return false;
    Answer(pid, it->second, false);
    m_entries.erase(it);
    return true;
}

void PendingExecs::AllowSeenUnheld(const std::vector<uint32_t>& unjudged) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (std::find(unjudged.begin(), unjudged.end(), it->first) != unjudged.end()) {
            it->second.seen = false;
            ++it;
        } else if (it->second.seen && !it->second.held) {
            Answer(it->first, it->second, true);
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

std::vector<uint32_t> PendingExecs::StopAll() {
    std::vector<uint32_t> stopped;
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    for (auto& [pid, entry] : m_entries) {
        if (entry.held && ::kill(static_cast<pid_t>(pid), SIGSTOP) == 0)
            stopped.push_back(pid);
        Answer(pid, entry, true);
    }
    m_entries.clear();
    return stopped;
}

bool PendingExecs::AllowedWithin(uint32_t pid, std::chrono::steady_clock::duration window) {
    std::lock_guard lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_allowedAt, [&](const auto& item) { return now - item.second > window; });
    return m_allowedAt.contains(pid);
}

size_t PendingExecs::size() {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

} // namespace quorvel::platform::linux_backend
