#include "platform/linux/SuspendRecords.h"

#include "platform/linux/ProcfsIo.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

constexpr const char* kRecordPrefix = "held-";

// Holds an exclusive flock on the folder's lock file while it lives.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : m_fd(
              ::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
        if (!m_fd.valid())
            return;
        while (::flock(m_fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_fd = UniqueFd();
                return;
            }
        }
    }
    bool locked() const { return m_fd.valid(); }

private:
    UniqueFd m_fd; // closing it drops the lock
};

bool WriteWhole(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

Error SystemError(const char* what) {
    return MakeError(errno == EACCES || errno == EPERM ? Errc::AccessDenied : Errc::Io,
                     std::string(what) + ": " + std::strerror(errno));
}

} // namespace

bool ParseSuspendRecord(const std::string& text, SuspendRecord& record) {
    const char* p = text.data();
    const char* end = text.data() + text.size();
    auto number = [&](auto& out) {
        while (p < end && *p == ' ')
            ++p;
        auto [next, ec] = std::from_chars(p, end, out);
        if (ec != std::errc())
            return false;
        p = next;
        return true;
    };
    if (!(number(record.pid) && number(record.startTime) && number(record.count)))
        return false;
    // The holder came later: records without it stay readable.
    if (!number(record.holderPid) || !number(record.holderStartTime)) {
        record.holderPid = 0;
        record.holderStartTime = 0;
    }
    return true;
}

SuspendRecords::SuspendRecords(std::string folder, uint32_t holderPid, uint64_t holderStartTime)
    : m_folder(std::move(folder)), m_holderPid(holderPid), m_holderStartTime(holderStartTime) {}

SuspendRecords::Store SuspendRecords::store() {
    if (m_store == Store::Undecided)
        m_store = folderUsable() ? Store::Folder : Store::Memory;
    return m_store;
}

SuspendRecord SuspendRecords::makeRecord(uint32_t pid, uint64_t startTime, uint32_t count) const {
    return SuspendRecord{pid, startTime, count, m_holderPid, m_holderStartTime};
}

std::string SuspendRecords::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/quorvel";
    return "/tmp/quorvel-" + std::to_string(::geteuid());
}

// Creates the folder when missing, then trusts it only when it is a real directory
// of our own that nobody else may enter: /tmp is shared, and a folder planted there by
// someone else must not steer which processes get stopped or continued.
bool SuspendRecords::folderUsable() const {
    if (m_folder.empty())
        return false;
    if (::mkdir(m_folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(m_folder.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::string SuspendRecords::recordPath(uint32_t pid) const {
    return m_folder + "/" + kRecordPrefix + std::to_string(pid);
}

Status SuspendRecords::Update(uint32_t pid, uint64_t startTime, const Change& change,
                              const AfterStore& afterStore) {
    auto remembered = m_memory.find(pid);
    const uint32_t inMemory =
        remembered != m_memory.end() && remembered->second.startTime == startTime
            ? remembered->second.count
            : 0;
    auto remember = [&](uint32_t count) {
        if (count == 0)
            m_memory.erase(pid);
        else
            m_memory[pid] = makeRecord(pid, startTime, count);
    };

    if (store() == Store::Memory) {
        auto next = change(inMemory);
        if (!next)
            return next.error();
        remember(next.value());
        if (afterStore) {
            if (auto done = afterStore(); !done) {
                remember(inMemory);
                return done;
            }
        }
        return {};
    }

    // The folder was ours; gone now, it is made again rather than left for memory.
    if (!folderUsable())
        return MakeError(Errc::Io, "the suspend record folder " + m_folder + " cannot be used");
    FolderLock lock(m_folder);
    if (!lock.locked())
        return SystemError("cannot lock the suspend records");

    const std::string path = recordPath(pid);
    uint32_t count = 0;
    bool exists = false;
    if (auto text = ReadFileText(path, 128)) {
        exists = true;
        SuspendRecord stored;
        if (ParseSuspendRecord(*text, stored) && stored.pid == pid && stored.startTime == startTime)
            count = stored.count;
    } else {
        count = inMemory; // its file went with a removed folder
    }

    auto next = change(count);
    if (!next)
        return next.error();
    if (auto stored = writeRecord(makeRecord(pid, startTime, next.value()), exists); !stored)
        return stored;
    remember(next.value());
    if (afterStore) {
        if (auto done = afterStore(); !done) {
            (void)writeRecord(makeRecord(pid, startTime, count), true);
            remember(count);
            return done;
        }
    }
    return {};
}

Status SuspendRecords::writeRecord(const SuspendRecord& record, bool existed) {
    const std::string path = recordPath(record.pid);
    if (record.count == 0) {
        if (existed && ::unlink(path.c_str()) != 0 && errno != ENOENT)
            return SystemError("cannot remove a suspend record");
        return {};
    }
    // The lock keeps other writers out; the rename keeps readers from a half record.
    const std::string temp = path + ".tmp";
    {
        UniqueFd fd(
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.valid())
            return SystemError("cannot write a suspend record");
        const std::string text =
            std::to_string(record.pid) + " " + std::to_string(record.startTime) + " " +
            std::to_string(record.count) + " " + std::to_string(record.holderPid) + " " +
            std::to_string(record.holderStartTime) + "\n";
        if (!WriteWhole(fd.get(), text)) {
            ::unlink(temp.c_str());
            return SystemError("cannot write a suspend record");
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return SystemError("cannot store a suspend record");
    }
    return {};
}

std::vector<SuspendRecord> SuspendRecords::Written() const {
    std::vector<SuspendRecord> records;
    for (const auto& [pid, record] : m_memory)
        records.push_back(record);
    return records;
}

void SuspendRecords::Forget(uint32_t pid, uint64_t startTime) {
    auto remembered = m_memory.find(pid);
    if (remembered != m_memory.end() && remembered->second.startTime == startTime)
        m_memory.erase(remembered);
    if (store() == Store::Memory || !folderUsable())
        return;
    FolderLock lock(m_folder);
    if (!lock.locked())
        return;
    const std::string path = recordPath(pid);
    SuspendRecord stored;
    if (auto text = ReadFileText(path, 128);
        text && ParseSuspendRecord(*text, stored) && stored.startTime == startTime)
        ::unlink(path.c_str());
}

std::vector<SuspendRecord>
SuspendRecords::List(const std::function<bool(const SuspendRecord&)>& live) {
    std::vector<SuspendRecord> records;
    if (store() == Store::Memory || !folderUsable()) {
        for (auto it = m_memory.begin(); it != m_memory.end();) {
            if (live && !live(it->second)) {
                it = m_memory.erase(it);
                continue;
            }
            records.push_back(it->second);
            ++it;
        }
        return records;
    }
    FolderLock lock(m_folder);
    UniqueDir dir(::opendir(m_folder.c_str()));
    if (!dir)
        return records;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!name.starts_with(kRecordPrefix) || name.ends_with(".tmp"))
            continue;
        SuspendRecord record;
        auto text = ReadFileText(m_folder + "/" + name, 128);
        if (!text || !ParseSuspendRecord(*text, record) ||
            name != kRecordPrefix + std::to_string(record.pid))
            continue;
        if (live && !live(record)) {
            ::unlinkat(::dirfd(dir.get()), name.c_str(), 0);
            if (auto mine = m_memory.find(record.pid);
                mine != m_memory.end() && mine->second.startTime == record.startTime)
                m_memory.erase(mine);
            continue;
        }
        records.push_back(record);
    }
    std::sort(records.begin(), records.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return records;
}

} // namespace quorvel::platform::linux_backend
