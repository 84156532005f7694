#include "platform/linux/ProcfsProcesses.h"

#include "platform/linux/Backends.h"
#include "platform/linux/ProcfsIo.h"
#include "platform/linux/ProcfsMaps.h"
#include "platform/linux/ProcfsPriority.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

// Why whole processes and not threads: Linux has no way to stop one thread of a process.
// SIGSTOP stops the whole thread group, whether it is sent with kill() or aimed at one
// thread with tgkill(); only ptrace can park a single thread, and a tracer would take the
// place of any debugger and could not be shared. So a hold is one SIGSTOP per process, and
// the suspend count that Windows keeps per thread is kept per process, in SuspendRecords.

namespace quorvel::platform::linux_backend {
namespace {

constexpr uint32_t kKthreaddPid = 2;
// SuspendThread refuses to go past this count; so do we.
constexpr uint32_t kMaximumSuspendCount = 127;
// The start time no process has: matches no record, so Update treats any as stale.
constexpr uint64_t kNoStartTime = UINT64_MAX;

std::optional<uint32_t> ParsePid(const char* name) {
    uint32_t pid = 0;
    const char* end = name + std::strlen(name);
    auto [next, ec] = std::from_chars(name, end, pid);
    if (ec != std::errc() || next != end || pid == 0)
        return std::nullopt;
    return pid;
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Through syscall(): the C library's wrappers lack C linkage in some versions.
int OpenPidFd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0u));
}

int SendThroughPidFd(int pidFd, int signal) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidFd, signal, nullptr, 0u));
}

Error InvalidPid(uint32_t pid) {
    return MakeError(Errc::InvalidArgument, "not a process ID: " + std::to_string(pid));
}

// The executable of a process. Inside execve the link cannot be read for a moment, while
// the command name is still the old program's: such a process would pass for a program
// of its parent's name. A few short retries see it through.
std::optional<std::string> ReadExeLink(const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        if (auto target = ReadLinkText(path))
            return target;
        if (attempt == 3)
            return std::nullopt;
        ::usleep(20);
    }
}

Error NoProcess(uint32_t pid) {
    return MakeError(Errc::NotFound, "no process " + std::to_string(pid));
}

Error ErrnoError(const char* what) {
    const int code = errno;
    Errc errc = Errc::Failed;
    if (code == ESRCH || code == ENOENT)
        errc = Errc::NotFound;
    else if (code == EPERM || code == EACCES)
        errc = Errc::AccessDenied;
    return MakeError(errc, std::string(what) + ": " + std::strerror(code));
}

} // namespace

std::optional<pid_t> SignalTarget(uint32_t pid) {
    if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX))
        return std::nullopt;
    return static_cast<pid_t>(pid);
}

namespace {

uint64_t StartTimeIn(const std::string& root, uint32_t pid) {
    std::array<char, 4096> buffer;
    const std::string path = root + "/" + std::to_string(pid) + "/stat";
    auto size = ReadSmallFileAt(-1, path.c_str(), buffer);
    if (!size)
        return 0;
    auto stat = ParseProcfsStat(std::string_view(buffer.data(), *size));
    return stat ? stat->startTime : 0;
}

} // namespace

ProcfsProcesses::ProcfsProcesses(std::string procRoot, std::string recordFolder)
    : m_root(std::move(procRoot)),
      m_records(std::move(recordFolder), static_cast<uint32_t>(::getpid()),
                StartTimeIn(m_root, static_cast<uint32_t>(::getpid()))) {}

std::optional<ProcfsStat> ProcfsProcesses::readStat(uint32_t pid) const {
    std::array<char, 4096> buffer;
    const std::string path = m_root + "/" + std::to_string(pid) + "/stat";
    auto size = ReadSmallFileAt(-1, path.c_str(), buffer);
    if (!size)
        return std::nullopt;
    return ParseProcfsStat(std::string_view(buffer.data(), *size));
}

// The file name of the exe link; when the link cannot be read (another user's process,
// a zombie), the file name of the first word of the command line; else the command name.
std::string ProcfsProcesses::exeNameOf(int procFd, uint32_t pid, const std::string& comm) const {
    const std::string dir = std::to_string(pid);
    if (auto target = ReadExeLink(m_root + "/" + dir + "/exe")) {
        auto name = FileNameOf(WithoutDeletedMark(*target));
        if (!name.empty())
            return std::string(name);
    }
    std::array<char, 4096> buffer;
    const std::string cmdline = (procFd < 0 ? m_root + "/" + dir : dir) + "/cmdline";
    if (auto size = ReadSmallFileAt(procFd, cmdline.c_str(), buffer)) {
        std::string_view line(buffer.data(), *size);
        line = line.substr(0, line.find('\0'));
        line = line.substr(0, line.find(' '));
        auto name = FileNameOf(line);
        if (!name.empty())
            return std::string(name);
    }
    return comm;
}

// Same command name and same executable file as its parent: it has not executed anything
// since the fork. An unreadable executable (another user's) makes no copy.
bool ProcfsProcesses::isForkCopy(const ProcfsStat& stat) const {
    auto parent = m_names.find(stat.parentPid);
    if (stat.parentPid == 0 || parent == m_names.end() ||
        parent->second.generation != m_generation || parent->second.comm != stat.comm)
        return false;
    const std::string prefix = m_root + "/";
    auto own = ReadExeLink(prefix + std::to_string(stat.pid) + "/exe");
    auto parents = ReadLinkText(prefix + std::to_string(stat.parentPid) + "/exe");
    return own && parents && !own->empty() && *own == *parents;
}

Result<std::vector<ProcessEntry>> ProcfsProcesses::ListProcesses() {
    UniqueDir dir(::opendir(m_root.c_str()));
    if (!dir)
        return ErrnoError("cannot list processes");
    const int procFd = ::dirfd(dir.get());

    std::vector<ProcfsStat> stats;
    std::array<char, 4096> buffer;
    char path[32];
    while (const dirent* entry = ::readdir(dir.get())) {
        auto pid = ParsePid(entry->d_name);
        if (!pid)
            continue;
        std::snprintf(path, sizeof path, "%u/stat", *pid);
        auto size = ReadSmallFileAt(procFd, path, buffer);
        if (!size)
            continue; // ended while we walked
        if (auto stat = ParseProcfsStat(std::string_view(buffer.data(), *size)))
            stats.push_back(std::move(*stat));
    }
    // Oldest first: after PIDs wrap around, the newest instance of a name is still last.
    std::sort(stats.begin(), stats.end(), [](auto& a, auto& b) {
        return a.startTime != b.startTime ? a.startTime < b.startTime : a.pid < b.pid;
    });

    // Kernel threads carry PF_KTHREAD. Their parent kthreadd is PID 2 only outside a PID
    // namespace; inside one, PID 2 is an ordinary process whose children are listed.
    const bool kthreaddIsKernel = std::any_of(stats.begin(), stats.end(), [](auto& s) {
        return s.pid == kKthreaddPid && (s.flags & kPfKthread) != 0;
    });

    std::lock_guard lock(m_mutex);
    ++m_generation;
    std::vector<ProcessEntry> entries;
    entries.reserve(stats.size());
    for (const auto& stat : stats) {
        if ((stat.flags & kPfKthread) != 0 || (kthreaddIsKernel && stat.parentPid == kKthreaddPid))
            continue;
        // A zombie has ended: it runs nothing and waits only to be collected. Its first
        // thread alone shows 'Z' too while other threads run on, which counts them.
        if ((stat.state == 'Z' || stat.state == 'X') && stat.threadCount <= 1)
            continue;
        CachedName& cached = m_names[stat.pid];
        const bool fresh = cached.generation == 0 || cached.startTime != stat.startTime ||
                           cached.comm != stat.comm;
        if (fresh) {
            cached.startTime = stat.startTime;
            cached.comm = stat.comm;
            cached.exeName = exeNameOf(procFd, stat.pid, stat.comm);
        }
        // Only a copy can stop being one (by an exec that keeps the command name).
        if (fresh || cached.forkCopy)
            cached.forkCopy = isForkCopy(stat);
        cached.generation = m_generation;

        ProcessEntry e;
        e.pid = stat.pid;
        e.parentPid = stat.parentPid;
        e.threadCount = stat.threadCount;
        e.basePriority = BasePriorityOf(PriorityClassOf(stat.policy, stat.nice));
        e.exeName = cached.exeName;
        e.startTime = stat.startTime;
        e.forkCopy = cached.forkCopy;
        if (m_pending) {
            if (auto name = m_pending->NameForListing(stat.pid)) {
                e.exeName = std::move(*name);
                e.forkCopy = false;
                e.execPending = true;
            }
        }
        entries.push_back(std::move(e));
    }
    std::erase_if(m_names,
                  [&](const auto& item) { return item.second.generation != m_generation; });
    forgetRecordsOfEnded(stats);
    return entries;
}

// A record lasts exactly as long as its hold: a held process that ended (killed by its
// owner, say) is not left behind for every later start to read.
void ProcfsProcesses::forgetRecordsOfEnded(const std::vector<ProcfsStat>& running) {
    for (const auto& record : m_records.Written()) {
        const bool alive = std::any_of(running.begin(), running.end(), [&](const auto& stat) {
            return stat.pid == record.pid && stat.startTime == record.startTime &&
                   stat.state != 'Z' && stat.state != 'X';
        });
        if (!alive)
            m_records.Forget(record.pid, record.startTime);
    }
}

void ProcfsProcesses::ForgetEndedHold(uint32_t pid, uint64_t startTime) {
    std::lock_guard lock(m_mutex);
    m_records.Forget(pid, startTime);
}

// The listing's test, for one process read alone: its parent read afresh instead of from
// the same listing.
bool ProcfsProcesses::isForkCopyOfLiveParent(const ProcfsStat& stat) const {
    if (stat.parentPid == 0)
        return false;
    auto parent = readStat(stat.parentPid);
    if (!parent || (parent->flags & kPfKthread) != 0 || parent->comm != stat.comm)
        return false;
    const std::string prefix = m_root + "/";
    auto own = ReadExeLink(prefix + std::to_string(stat.pid) + "/exe");
    auto parents = ReadLinkText(prefix + std::to_string(stat.parentPid) + "/exe");
    return own && parents && !own->empty() && *own == *parents;
}

// Whether PID 2 is the kernel's thread parent: only outside a PID namespace. It stays
// what it was for the life of the namespace.
bool ProcfsProcesses::kthreaddIsKernel() {
    if (!m_kthreaddIsKernel) {
        auto stat = readStat(kKthreaddPid);
        m_kthreaddIsKernel = stat && (stat->flags & kPfKthread) != 0;
    }
    return *m_kthreaddIsKernel;
}

Result<ProcessEntry> ProcfsProcesses::ReadProcess(uint32_t pid) {
    if (!SignalTarget(pid))
        return InvalidPid(pid);
    auto stat = readStat(pid);
    // A zombie has ended, as in a listing.
    if (!stat || ((stat->state == 'Z' || stat->state == 'X') && stat->threadCount <= 1))
        return NoProcess(pid);
    std::lock_guard lock(m_mutex);
    if ((stat->flags & kPfKthread) != 0 || (stat->parentPid == kKthreaddPid && kthreaddIsKernel()))
        return NoProcess(pid);
    CachedName& cached = m_names[pid];
    const bool fresh =
        cached.exeName.empty() || cached.startTime != stat->startTime || cached.comm != stat->comm;
    if (fresh) {
        cached.startTime = stat->startTime;
        cached.comm = stat->comm;
        cached.exeName = exeNameOf(-1, pid, stat->comm);
        cached.generation = 0; // the next listing looks again
    }
    if (fresh || cached.forkCopy)
        cached.forkCopy = isForkCopyOfLiveParent(*stat);

    ProcessEntry e;
    e.pid = stat->pid;
    e.parentPid = stat->parentPid;
    e.threadCount = stat->threadCount;
    e.basePriority = BasePriorityOf(PriorityClassOf(stat->policy, stat->nice));
    e.exeName = cached.exeName;
    e.startTime = stat->startTime;
    e.forkCopy = cached.forkCopy;
    if (m_pending) {
        if (auto name = m_pending->NameForListing(pid)) {
            e.exeName = std::move(*name);
            e.forkCopy = false;
            e.execPending = true;
        }
    }
    return e;
}

Result<std::vector<ThreadEntry>> ProcfsProcesses::ListThreads(uint32_t pid) {
    if (!SignalTarget(pid))
        return InvalidPid(pid);
    auto process = readStat(pid);
    if (!process)
        return NoProcess(pid);
    const std::string taskDir = m_root + "/" + std::to_string(pid) + "/task";
    UniqueDir dir(::opendir(taskDir.c_str()));
    if (!dir)
        return ErrnoError("cannot list threads");
    const int taskFd = ::dirfd(dir.get());
    const int32_t processBase = BasePriorityOf(PriorityClassOf(process->policy, process->nice));

    std::vector<ThreadEntry> threads;
    std::array<char, 4096> buffer;
    char path[32];
    while (const dirent* entry = ::readdir(dir.get())) {
        auto tid = ParsePid(entry->d_name);
        if (!tid)
            continue;
        std::snprintf(path, sizeof path, "%u/stat", *tid);
        auto size = ReadSmallFileAt(taskFd, path, buffer);
        if (!size)
            continue;
        auto stat = ParseProcfsStat(std::string_view(buffer.data(), *size));
        if (!stat)
            continue;
        ThreadEntry t;
        t.threadId = *tid;
        t.ownerPid = pid;
        t.basePriority = processBase;
        // A thread may have its own nice value; its distance from the process's shows here.
        t.deltaPriority = BasePriorityOf(PriorityClassOf(stat->policy, stat->nice)) - processBase;
        threads.push_back(t);
    }
    std::sort(threads.begin(), threads.end(),
              [](auto& a, auto& b) { return a.threadId < b.threadId; });
    return threads;
}

// Signals through a pidfd, so that the process whose start time was checked is the one
// that gets the signal even if the PID is reused in between.
Status ProcfsProcesses::sendSignal(uint32_t pid, std::optional<uint64_t> expectedStart,
                                   int signal) const {
    auto target = SignalTarget(pid);
    if (!target)
        return InvalidPid(pid);
    UniqueFd pidFd(OpenPidFd(*target));
    // Short of descriptors the start time alone guards against a reused PID.
    if (!pidFd.valid() && errno != ENOSYS && errno != EMFILE && errno != ENFILE)
        return ErrnoError("cannot open the process");
    if (expectedStart) {
        auto stat = readStat(pid);
        if (!stat || stat->startTime != *expectedStart)
            return NoProcess(pid);
    }
    const int rc = pidFd.valid() ? SendThroughPidFd(pidFd.get(), signal) : ::kill(*target, signal);
    if (rc != 0)
        return ErrnoError("cannot signal the process");
    return {};
}

Status ProcfsProcesses::SuspendProcess(uint32_t pid) {
    if (!SignalTarget(pid))
        return InvalidPid(pid);
    // Stopping ourselves would leave nobody to resume us.
    if (pid == CurrentProcessId())
        return MakeError(Errc::InvalidArgument, "will not suspend the own process");
    auto stat = readStat(pid);
    if (!stat || stat->state == 'Z' || stat->state == 'X')
        return NoProcess(pid);
    const uint64_t start = stat->startTime;
    std::lock_guard lock(m_mutex);
    // The record first: a process stopped without one could be resumed by nobody.
    bool first = false;
    return m_records.Update(
        pid, start,
        [&](uint32_t count) -> Result<uint32_t> {
            if (count >= kMaximumSuspendCount)
                return MakeError(Errc::Failed, "suspend count at its maximum");
            first = count == 0;
            return count + 1;
        },
        [&]() -> Status {
            // Inside execve the pending answer is the hold: nothing of it has run.
            if (m_pending && m_pending->Hold(pid))
                return {};
            return first ? sendSignal(pid, start, SIGSTOP) : Status{};
        });
}

Status ProcfsProcesses::ResumeProcess(uint32_t pid) {
    if (!SignalTarget(pid))
        return InvalidPid(pid);
    auto stat = readStat(pid);
    const uint64_t start = stat ? stat->startTime : kNoStartTime;
    std::lock_guard lock(m_mutex);
    // Without a record of ours the process stays as it is: whoever stopped it resumes it.
    auto updated = m_records.Update(pid, start, [&](uint32_t count) -> Result<uint32_t> {
        if (count == 1) {
            if (m_pending && m_pending->Allow(pid))
                return 0;
            auto sent = sendSignal(pid, start, SIGCONT);
            if (!sent)
                return sent.error();
        }
        return count == 0 ? 0 : count - 1;
    });
    if (updated && !stat)
        return NoProcess(pid);
    return updated;
}

Status ProcfsProcesses::KillProcess(uint32_t pid) {
    // Denied first: the program must not get to run its first instruction.
    if (m_pending)
        m_pending->Deny(pid);
    const auto stat = SignalTarget(pid) ? readStat(pid) : std::nullopt;
    auto killed = sendSignal(pid, std::nullopt, SIGKILL);
    if (killed && stat) {
        std::lock_guard lock(m_mutex);
        m_records.Forget(pid, stat->startTime);
    }
    return killed;
}

uint32_t ProcfsProcesses::GetPriorityClass(uint32_t pid) {
    if (!SignalTarget(pid))
        return kPriorityUnknown;
    auto stat = readStat(pid);
    if (!stat || stat->state == 'Z' || stat->state == 'X')
        return kPriorityUnknown;
    return PriorityClassOf(stat->policy, stat->nice);
}

Result<std::vector<std::string>> ProcfsProcesses::ListModules(uint32_t pid) {
    if (!SignalTarget(pid))
        return InvalidPid(pid);
    const std::string dir = m_root + "/" + std::to_string(pid);
    auto maps = ReadFileText(dir + "/maps", 16 << 20);
    if (!maps)
        return ErrnoError("cannot read the memory map");
    auto files = MappedFiles(*maps);
    if (auto target = ReadLinkText(dir + "/exe")) {
        const std::string exe(WithoutDeletedMark(*target));
        std::erase(files, exe);
        files.insert(files.begin(), exe);
    }
    if (files.empty())
        return MakeError(Errc::NotFound, "no modules mapped");
    return files;
}

Result<std::string> ProcfsProcesses::QueryImagePath(uint32_t pid) {
    if (!SignalTarget(pid))
        return InvalidPid(pid);
    if (m_pending) {
        if (auto path = m_pending->PathOf(pid))
            return std::move(*path);
    }
    auto target = ReadLinkText(m_root + "/" + std::to_string(pid) + "/exe");
    if (!target)
        return ErrnoError("cannot read the executable link");
    std::string path(WithoutDeletedMark(*target));
    if (path.empty())
        return NoProcess(pid);
    return path;
}

uint32_t ProcfsProcesses::CurrentProcessId() {
    return static_cast<uint32_t>(::getpid());
}

std::vector<SuspendRecord> ProcfsProcesses::HeldProcesses() {
    std::lock_guard lock(m_mutex);
    std::vector<SuspendRecord> live;
    // A record whose holder runs here (in this PID namespace) and whose process is gone
    // is deleted as it is met; one from a holder out of sight may name another
    // namespace's process, and is only left out.
    for (const auto& record : m_records.List([&](const SuspendRecord& record) {
             auto stat = readStat(record.pid);
             const bool running = stat && stat->startTime == record.startTime &&
                                  stat->state != 'Z' && stat->state != 'X';
             return running || record.holderPid == 0 ||
                    StartTimeIn(m_root, record.holderPid) != record.holderStartTime;
         })) {
        auto stat = readStat(record.pid);
        if (stat && stat->startTime == record.startTime)
            live.push_back(record);
    }
    return live;
}

std::vector<HeldProcess> ProcfsProcesses::ListHeldProcesses() {
    std::vector<HeldProcess> held;
    for (const auto& record : HeldProcesses()) {
        const bool holderRunning = record.holderPid != 0 &&
                                   StartTimeIn(m_root, record.holderPid) == record.holderStartTime;
        held.push_back({record.pid, record.count, holderRunning});
    }
    return held;
}

std::unique_ptr<Processes> CreateProcfsProcesses() {
    return std::make_unique<ProcfsProcesses>();
}

} // namespace quorvel::platform::linux_backend
