#include "platform/linux/PendingExecs.h"

#include "platform/linux/ProcfsStat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <sys/epoll.h>
#include <sys/fanotify.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

using std::chrono::steady_clock;

// How long an allowed exec waits for its interpreter's event before the note of it is
// forgotten; only to keep the notes few: whether an event belongs to that exec is
// decided by the task's state, not by this time.
constexpr auto kNoteLifetime = std::chrono::seconds(30);
constexpr size_t kNotesBeforePruning = 1024;

std::optional<uint64_t> StartTimeOf(uint32_t pid) {
    std::array<char, 4096> buffer;
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    auto size = ReadSmallFileAt(-1, path.c_str(), buffer);
    if (!size)
        return std::nullopt;
    auto stat = ParseProcfsStat(std::string_view(buffer.data(), *size));
    if (!stat || stat->state == 'Z' || stat->state == 'X')
        return std::nullopt;
    return stat->startTime;
}

} // namespace

PendingExecs::PendingExecs(int fanotifyFd, Limits limits)
    : m_fanotifyFd(fanotifyFd), m_limits(limits), m_epoll(::epoll_create1(EPOLL_CLOEXEC)) {}

PendingExecs::~PendingExecs() {
    (void)StopAll();
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
    --m_events;
    if (allow)
        NoteAllowedLocked(pid, entry.mark);
}

bool PendingExecs::Signal(const Entry& entry, uint32_t pid, int signal) const {
    if (entry.pidFd.valid())
        return ::syscall(SYS_pidfd_send_signal, entry.pidFd.get(), signal, nullptr, 0u) == 0;
    const auto start = StartTimeOf(pid);
    return start && *start == entry.mark.startTime && ::kill(static_cast<pid_t>(pid), signal) == 0;
}

// The signal is pending while the task waits inside execve; it takes effect on the way
// back to user space, before the new program's first instruction.
void PendingExecs::StopInstead(uint32_t pid, Entry& entry) {
    if (!entry.eventFd.valid())
        return;
    entry.stopped = Signal(entry, pid, SIGSTOP);
    Answer(pid, entry, true);
}

void PendingExecs::Release(uint32_t pid, Entry& entry) {
    if (entry.eventFd.valid())
        Answer(pid, entry, true);
    else if (entry.stopped)
        (void)Signal(entry, pid, SIGCONT);
    entry.stopped = false;
}

void PendingExecs::Erase(std::map<uint32_t, Entry>::iterator it) {
    if (it->second.eventFd.valid())
        --m_events;
    if (it->second.pidFd.valid())
        --m_pidFds;
    m_entries.erase(it);
}

bool PendingExecs::Gone(uint32_t pid, const Entry& entry) const {
    const auto start = StartTimeOf(pid);
    return !start || *start != entry.mark.startTime;
}

bool PendingExecs::Add(uint32_t pid, UniqueFd& eventFd, std::string path, std::string name,
                       ExecMark mark) {
    std::lock_guard lock(m_mutex);
    if (m_stopped)
        return false;
    if (auto old = m_entries.find(pid); old != m_entries.end()) {
        // A task that execs again is no longer inside the exec held before.
        Release(pid, old->second);
        Erase(old);
    }
    // The bound: the oldest event gives way to the new one, by a stop.
    while (m_events >= m_limits.events) {
        auto oldest = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.eventFd.valid() &&
                (oldest == m_entries.end() || it->second.since < oldest->second.since))
                oldest = it;
        }
        if (oldest == m_entries.end())
            break;
        StopInstead(oldest->first, oldest->second);
    }
    Entry entry{std::move(eventFd), UniqueFd(),      std::move(path),
                std::move(name),    std::move(mark), steady_clock::now()};
    if (m_pidFds < m_limits.pidFds && m_epoll.valid())
        entry.pidFd = UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0u)));
    if (entry.pidFd.valid()) {
        epoll_event watch{};
        watch.events = EPOLLIN;
        watch.data.u64 = (uint64_t{pid} << 32) | static_cast<uint32_t>(entry.pidFd.get());
        if (::epoll_ctl(m_epoll.get(), EPOLL_CTL_ADD, entry.pidFd.get(), &watch) != 0)
            entry.pidFd = UniqueFd(); // then a pass notices its end
    }
    if (entry.pidFd.valid())
        ++m_pidFds;
    ++m_events;
    m_entries.emplace(pid, std::move(entry));
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
    Release(pid, it->second);
    Erase(it);
    return true;
}

bool PendingExecs::Deny(uint32_t pid) {
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(pid);
    if (it == m_entries.end())
        return false;
    Answer(pid, it->second, false);
    Erase(it);
    return true;
}

void PendingExecs::AllowSeenUnheld(const std::vector<uint32_t>& unjudged) {
    std::vector<std::pair<uint32_t, uint64_t>> ended;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (!it->second.pidFd.valid() && Gone(it->first, it->second)) {
                if (it->second.held)
                    ended.emplace_back(it->first, it->second.mark.startTime);
                Answer(it->first, it->second, true);
                auto gone = it++;
                Erase(gone);
            } else if (std::find(unjudged.begin(), unjudged.end(), it->first) != unjudged.end()) {
                it->second.seen = false;
                ++it;
            } else if (it->second.seen && !it->second.held) {
                Release(it->first, it->second);
                auto done = it++;
                Erase(done);
            } else {
                ++it;
            }
        }
    }
    if (m_ended)
        for (const auto& [pid, start] : ended)
            m_ended(pid, start);
}

std::vector<uint32_t> PendingExecs::StopAll() {
    std::vector<uint32_t> stopped;
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    for (auto& [pid, entry] : m_entries) {
        if (entry.held) {
            StopInstead(pid, entry);
            if (entry.stopped)
                stopped.push_back(pid);
        } else {
            Release(pid, entry);
        }
    }
    m_entries.clear();
    m_events = 0;
    m_pidFds = 0;
    return stopped;
}

std::optional<steady_clock::duration> PendingExecs::Expire() {
    std::lock_guard lock(m_mutex);
    const auto now = steady_clock::now();
    std::optional<steady_clock::duration> next;
    for (auto& [pid, entry] : m_entries) {
        if (!entry.eventFd.valid())
            continue;
        const auto age = now - entry.since;
        if (age >= m_limits.age) {
            StopInstead(pid, entry);
        } else {
            const auto left = m_limits.age - age;
            if (!next || left < *next)
                next = left;
        }
    }
    return next;
}

void PendingExecs::StopHoldingEvents() {
    std::lock_guard lock(m_mutex);
    for (auto& [pid, entry] : m_entries)
        StopInstead(pid, entry);
}

void PendingExecs::DropEnded() {
    std::vector<std::pair<uint32_t, uint64_t>> ended;
    {
        std::array<epoll_event, 64> ready;
        const int count = ::epoll_wait(m_epoll.get(), ready.data(), ready.size(), 0);
        std::lock_guard lock(m_mutex);
        for (int i = 0; i < count; ++i) {
            const auto pid = static_cast<uint32_t>(ready[i].data.u64 >> 32);
            const auto fd = static_cast<int>(ready[i].data.u64 & 0xffffffffu);
            auto it = m_entries.find(pid);
            if (it == m_entries.end() || it->second.pidFd.get() != fd)
                continue;
            if (it->second.held)
                ended.emplace_back(pid, it->second.mark.startTime);
            m_allowed.erase(pid);
            // The event of a task that died waiting is answered all the same: that frees it.
            Answer(pid, it->second, true);
            Erase(it);
        }
    }
    if (m_ended)
        for (const auto& [pid, start] : ended)
            m_ended(pid, start);
}

size_t PendingExecs::size() {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

size_t PendingExecs::eventCount() {
    std::lock_guard lock(m_mutex);
    return m_events;
}

void PendingExecs::NoteAllowed(uint32_t pid, const ExecMark& mark) {
    std::lock_guard lock(m_mutex);
    NoteAllowedLocked(pid, mark);
}

void PendingExecs::NoteAllowedLocked(uint32_t pid, const ExecMark& mark) {
    const auto now = steady_clock::now();
    if (m_allowed.size() >= kNotesBeforePruning)
        std::erase_if(m_allowed,
                      [&](const auto& item) { return now - item.second.at > kNoteLifetime; });
    if (mark.interpreter && mark.oldImage)
        m_allowed[pid] = Allowed{mark, now};
    else
        m_allowed.erase(pid);
}

bool PendingExecs::IsSameExec(uint32_t pid, int eventFd) {
    std::optional<Allowed> note;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_allowed.find(pid);
        if (it == m_allowed.end())
            return false;
        note = std::move(it->second);
        m_allowed.erase(it);
    }
    const ExecMark& mark = note->mark;
    if (FileIdOf(eventFd) != mark.interpreter)
        return false;
    if (FileIdAt("/proc/" + std::to_string(pid) + "/exe") != mark.oldImage)
        return false;
    // Still in the very call that was allowed; a task whose call cannot be read is
    // judged on its own.
    return mark.call && SyscallLine(pid) == mark.call;
}

} // namespace quorvel::platform::linux_backend
