#include "platform/DecisionAudit.h"
#include "platform/FileDigest.h"
#include "platform/linux/ProcfsIo.h"

#include <array>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quorvel::platform {
namespace {

using linux_backend::UniqueFd;

std::string UserName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 4096> buffer;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

// The owner of the process by its /proc entry; empty once it has gone.
std::string OwnerOf(uint32_t pid) {
    struct stat info {};
    if (pid == 0 || ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0)
        return {};
    return UserName(info.st_uid);
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
    LinuxDecisionAudit(std::string folder, AuditFormat format, uint64_t maxBytes)
        : m_path(std::move(folder) + "/" + kDecisionLogFile), m_format(std::move(format)),
          m_maxBytes(maxBytes), m_thread([this] { Run(); }) {}

    ~LinuxDecisionAudit() override {
        {
            std::lock_guard lock(m_mutex);
            m_ending = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void Record(AuditEntry entry) override {
        // The owner now: the process may be gone by the time the thread gets to it.
        entry.user = OwnerOf(entry.pid);
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(entry));
            ++m_recorded;
        }
        m_wake.notify_all();
    }

    void Flush() override {
        std::unique_lock lock(m_mutex);
        const uint64_t target = m_recorded;
        m_done.wait(lock, [&] { return m_written >= target; });
    }

private:
    void Run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_ending || !m_queue.empty(); });
            if (m_queue.empty() && m_ending)
                return;
            AuditEntry entry = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            // Only a full path names the file the process runs.
            if (!entry.path.empty() && entry.path[0] == '/')
                entry.sha256 = FileSha256(entry.path).valueOr({});
            if (entry.user.empty())
                entry.user = "?";
            Append(m_format(entry) + "\n");
            lock.lock();
            ++m_written;
            m_done.notify_all();
        }
    }

    // O_APPEND: lines of several guards (or a reader) never interleave within a line.
    void Append(const std::string& line) {
        struct stat info {};
        if (::stat(m_path.c_str(), &info) == 0 &&
            static_cast<uint64_t>(info.st_size) + line.size() > m_maxBytes)
            ::rename(m_path.c_str(), (m_path + ".1").c_str());
        UniqueFd fd(::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
        if (fd.valid())
            (void)WriteAll(fd.get(), line);
    }

    std::string m_path;
    AuditFormat m_format;
    uint64_t m_maxBytes;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<AuditEntry> m_queue;
    uint64_t m_recorded = 0;
    uint64_t m_written = 0;
    bool m_ending = false;
    std::thread m_thread; // last: starts once everything above is ready
};

} // namespace

std::unique_ptr<DecisionAudit> CreateDecisionAudit(std::string folder, AuditFormat format,
                                                   uint64_t maxBytes) {
    return std::make_unique<LinuxDecisionAudit>(std::move(folder), std::move(format), maxBytes);
}

} // namespace quorvel::platform
