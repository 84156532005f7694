#include "platform/DecisionAudit.h"
#include "platform/FileDigest.h"
#include "platform/linux/ProcfsIo.h"

#include <array>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace quorvel::platform {
namespace {

using linux_backend::UniqueFd;

// Descriptors of programs kept open while their hashes wait; past this, later entries
// hash their paths instead, so that a burst cannot exhaust the guard's descriptors.
constexpr size_t kMaxWaitingFiles = 64;
// Digests kept; the cache starts afresh when it is full.
constexpr size_t kMaxCachedDigests = 4096;

std::string UserName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 4096> buffer;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

// The owner of the process by its /proc entry; nothing once it has gone. Only the ID:
// the name may take a directory service, which the log's thread asks.
std::optional<uint32_t> OwnerIdOf(uint32_t pid) {
    struct stat info {};
    if (pid == 0 || ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint32_t>(info.st_uid);
}

// What makes one version of one file: changed in place, it is another.
using FileKey = std::tuple<dev_t, ino_t, off_t, int64_t, int64_t, int64_t, int64_t>;

FileKey KeyOf(const struct stat& info) {
    return {info.st_dev,          info.st_ino,         info.st_size,        info.st_mtim.tv_sec,
            info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
}

std::optional<FileKey> KeyOfFd(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return KeyOf(info);
}

std::optional<FileKey> KeyOfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return KeyOf(info);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class LinuxDecisionAudit final : public DecisionAudit {
public:
    LinuxDecisionAudit(std::string folder, AuditFormat format, AuditOptions options)
        : m_path(std::move(folder) + "/" + kDecisionLogFile), m_format(std::move(format)),
          m_options(options), m_thread([this] { Run(); }) {}

    ~LinuxDecisionAudit() override {
        {
            std::lock_guard lock(m_mutex);
            NoteDroppedLocked();
            m_ending = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void Record(AuditEntry entry) override {
        // Both now, on the caller's thread: the process may be gone, or its PID reused, by
        // the time the log's thread gets to it. Opening with O_PATH reads nothing and
        // never waits on the file's filesystem.
        if (entry.user.empty() && !entry.ownerId)
            entry.ownerId = OwnerIdOf(entry.pid);
        UniqueFd program;
        if (entry.file)
            program = UniqueFd(::fcntl(entry.file->descriptor(), F_DUPFD_CLOEXEC, 0));
        else if (entry.running && entry.pid != 0)
            program = UniqueFd(::open(("/proc/" + std::to_string(entry.pid) + "/exe").c_str(),
                                      O_PATH | O_CLOEXEC));
        entry.file.reset(); // the caller's: our own copy waits in the queue
        std::optional<FileKey> key = program.valid() ? KeyOfFd(program.get()) : std::nullopt;
        if (!key)
            program = UniqueFd();
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.size() >= m_options.queueLimit) {
                ++m_dropped;
                return;
            }
            NoteDroppedLocked();
            if (key) {
                if (auto it = m_digests.find(*key); it != m_digests.end()) {
                    entry.sha256 = it->second;
                    entry.hashFrom = "file";
                    program = UniqueFd();
                } else if (m_waitingFiles >= kMaxWaitingFiles) {
                    program = UniqueFd();
                } else {
                    ++m_waitingFiles;
                }
            }
            m_queue.push_back(Waiting{std::move(entry), std::move(program)});
            ++m_recorded;
        }
        m_wake.notify_all();
    }

    void Flush() override {
        std::unique_lock lock(m_mutex);
        NoteDroppedLocked();
        const uint64_t target = m_recorded;
        lock.unlock();
        m_wake.notify_all();
        lock.lock();
        m_done.wait(lock, [&] { return m_written >= target; });
    }

private:
    struct Waiting {
        AuditEntry entry;
        UniqueFd program; // the file the process ran, when its hash is still to be taken
    };

    void NoteDroppedLocked() {
        if (m_dropped == 0)
            return;
        AuditEntry note;
        note.time = std::chrono::system_clock::now();
        note.action = kNotLoggedAction;
        note.reason = std::to_string(m_dropped) +
                      " decisions came faster than the log could hash them and were dropped";
        m_queue.push_back(Waiting{std::move(note), UniqueFd()});
        ++m_recorded;
        m_dropped = 0;
    }

    void Run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_ending || !m_queue.empty(); });
            if (m_queue.empty() && m_ending)
                return;
            Waiting waiting = std::move(m_queue.front());
            m_queue.pop_front();
            if (waiting.program.valid())
                --m_waitingFiles;
            lock.unlock();
            AuditEntry& entry = waiting.entry;
            if (entry.sha256.empty())
                Hash(entry, waiting.program);
            waiting.program = UniqueFd();
            if (entry.user.empty() && entry.ownerId)
                entry.user = UserName(*entry.ownerId);
            if (entry.user.empty())
                entry.user = "?";
            Append(m_format(entry) + "\n");
            lock.lock();
            ++m_written;
            m_done.notify_all();
        }
    }

    // The file the process ran when it was opened at the decision; else, for a full
    // path, whatever file the path names now.
    void Hash(AuditEntry& entry, const UniqueFd& program) {
        std::string target;
        if (program.valid()) {
            target = "/proc/self/fd/" + std::to_string(program.get());
            entry.hashFrom = "file";
        } else if (!entry.path.empty() && entry.path[0] == '/') {
            target = entry.path;
            entry.hashFrom = "path";
        } else {
            return;
        }
        const auto before = program.valid() ? KeyOfFd(program.get()) : KeyOfPath(target);
        if (before) {
            std::lock_guard lock(m_mutex);
            if (auto it = m_digests.find(*before); it != m_digests.end()) {
                entry.sha256 = it->second;
                return;
            }
        }
        entry.sha256 = FileSha256(target).valueOr({});
        if (entry.sha256.empty()) {
            entry.hashFrom.clear();
            return;
        }
        // Kept only when nothing changed the file while it was read.
        const auto after = program.valid() ? KeyOfFd(program.get()) : KeyOfPath(target);
        if (before && after == before) {
            std::lock_guard lock(m_mutex);
            if (m_digests.size() >= kMaxCachedDigests)
                m_digests.clear();
            m_digests.emplace(*before, entry.sha256);
        }
    }

    // Past the size, the files move up one generation; the oldest beyond the count goes.
    // O_APPEND: lines of several guards (or a reader) never interleave within a line.
    void Append(const std::string& line) {
        struct stat info {};
        if (::stat(m_path.c_str(), &info) == 0 &&
            static_cast<uint64_t>(info.st_size) + line.size() > m_options.maxBytes)
            Rotate();
        UniqueFd fd(::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
        if (fd.valid())
            (void)WriteAll(fd.get(), line);
    }

    void Rotate() {
        const int count = m_options.generations;
        if (count <= 0) {
            ::unlink(m_path.c_str());
            return;
        }
        for (int from = count - 1; from >= 1; --from) {
            const std::string older = m_path + "." + std::to_string(from);
            ::rename(older.c_str(), (m_path + "." + std::to_string(from + 1)).c_str());
        }
        ::rename(m_path.c_str(), (m_path + ".1").c_str());
    }

    std::string m_path;
    AuditFormat m_format;
    AuditOptions m_options;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Waiting> m_queue;
    std::map<FileKey, std::string> m_digests;
    size_t m_waitingFiles = 0;
    uint64_t m_dropped = 0;
    uint64_t m_recorded = 0;
    uint64_t m_written = 0;
    bool m_ending = false;
    std::thread m_thread; // last: starts once everything above is ready
};

} // namespace

std::unique_ptr<DecisionAudit> CreateDecisionAudit(std::string folder, AuditFormat format,
                                                   AuditOptions options) {
    return std::make_unique<LinuxDecisionAudit>(std::move(folder), std::move(format), options);
}

} // namespace quorvel::platform
