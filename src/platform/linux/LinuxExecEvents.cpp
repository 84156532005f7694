#include "platform/linux/LinuxExecEvents.h"

#include "platform/linux/ExecImage.h"
#include "platform/linux/ExecutedFileFd.h"
#include "platform/linux/ProcfsProcesses.h"
#include "platform/linux/ProcfsStat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<ProcfsStat> StatOf(uint32_t pid) {
    std::array<char, 4096> buffer;
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    auto size = ReadSmallFileAt(-1, path.c_str(), buffer);
    if (!size)
        return std::nullopt;
    return ParseProcfsStat(std::string_view(buffer.data(), *size));
}

// For the audit log, read while the process is still there.
std::optional<uint32_t> OwnerIdOf(uint32_t pid) {
    struct stat info {};
    if (::stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint32_t>(info.st_uid);
}

// Mount points as /proc/self/mountinfo writes them, octal escapes undone.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const int value =
                (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            out += static_cast<char>(value);
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Where programs can run: every mount without noexec.
std::vector<std::string> ExecutableMounts() {
    std::vector<std::string> points;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, options;
        if (!(fields >> id >> parent >> device >> root >> point >> options))
            continue;
        if (("," + options + ",").find(",noexec,") != std::string::npos)
            continue;
        points.push_back(Unescape(point));
    }
    return points;
}

// Every held exec costs a descriptor or two while it waits: the hard limit, not the
// soft one a shell hands down, is what the guard may use.
// Returns the bounds of held execs that leave the rest of the guard room to work.
PendingExecs::Limits RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return {};
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            (void)::getrlimit(RLIMIT_NOFILE, &limit);
    }
    // A quarter for whatever else the guard opens, a quarter spare.
    const size_t usable = limit.rlim_cur == RLIM_INFINITY ? 1u << 20 : limit.rlim_cur;
    PendingExecs::Limits limits;
    limits.events = std::clamp<size_t>(usable / 8, 1, limits.events);
    limits.pidFds = std::min<size_t>(usable / 2 - limits.events, 1u << 16);
    return limits;
}

void Respond(int fanotifyFd, int eventFd, bool allow) {
    fanotify_response response{};
    response.fd = eventFd;
    response.response = allow ? FAN_ALLOW : FAN_DENY;
    while (::write(fanotifyFd, &response, sizeof response) < 0 && errno == EINTR) {
    }
}

UniqueFd OpenConnector() {
    UniqueFd sock(
        ::socket(PF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_CONNECTOR));
    if (!sock.valid())
        return {};
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = CN_IDX_PROC;
    address.nl_pid = 0;
    if (::bind(sock.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return {};
    // header, connector message, then the operation, laid out by hand: cn_msg ends in a
    // flexible array.
    alignas(nlmsghdr) std::array<char, NLMSG_LENGTH(sizeof(cn_msg) + sizeof(proc_cn_mcast_op))>
        request{};
    auto* header = reinterpret_cast<nlmsghdr*>(request.data());
    header->nlmsg_len = request.size();
    header->nlmsg_type = NLMSG_DONE;
    header->nlmsg_pid = static_cast<uint32_t>(::getpid());
    auto* message = static_cast<cn_msg*>(NLMSG_DATA(header));
    message->id.idx = CN_IDX_PROC;
    message->id.val = CN_VAL_PROC;
    message->len = sizeof(proc_cn_mcast_op);
    const proc_cn_mcast_op op = PROC_CN_MCAST_LISTEN;
    std::memcpy(message->data, &op, sizeof op);
    if (::send(sock.get(), request.data(), request.size(), 0) !=
        static_cast<ssize_t>(request.size()))
        return {};
    // Some kernels accept the subscription and deliver nothing (inside a PID namespace):
    // a child's fork and exit must come through, or the timer could not trust it.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    if (child < 0)
        return {};
    ::waitpid(child, nullptr, 0);
    pollfd ready{sock.get(), POLLIN, 0};
    if (::poll(&ready, 1, 500) <= 0)
        return {};
    return sock;
}

} // namespace

LinuxExecEvents::LinuxExecEvents(ExecTriage triage, const ExecEventsOptions& options)
    : m_triage(std::move(triage)), m_options(options),
      m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_stop(::eventfd(0, EFD_CLOEXEC)) {}

std::unique_ptr<LinuxExecEvents> LinuxExecEvents::Open(ProcfsProcesses* processes,
                                                       ExecTriage triage,
                                                       const ExecEventsOptions& options,
                                                       std::string& why) {
    std::unique_ptr<LinuxExecEvents> events(new LinuxExecEvents(std::move(triage), options));
    if (!events->m_wake.valid() || !events->m_stop.valid()) {
        why = "no eventfd";
        return nullptr;
    }
    if (!options.noFanotify && processes) {
        const auto limits = RaiseDescriptorLimit();
        events->m_fanotify = UniqueFd(::fanotify_init(
            FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_LARGEFILE));
        if (events->m_fanotify.valid() && !events->MarkMounts())
            events->m_fanotify = UniqueFd();
        if (events->m_fanotify.valid()) {
            events->m_pending = std::make_shared<PendingExecs>(events->m_fanotify.get(), limits);
            // A held process that ends takes its suspend record with it.
            events->m_pending->OnEnded([processes](uint32_t pid, uint64_t startTime) {
                processes->ForgetEndedHold(pid, startTime);
            });
            processes->AttachPendingExecs(events->m_pending);
            if (options.mountPoints.empty())
                events->m_mountInfo =
                    UniqueFd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
        }
    }
    if (!options.noProcConnector)
        events->m_connector = OpenConnector();
    if (!events->m_fanotify.valid() && !events->m_connector.valid()) {
        why = "no fanotify (CAP_SYS_ADMIN), no proc connector that delivers (CAP_NET_ADMIN)";
        return nullptr;
    }
    events->m_thread = std::thread([raw = events.get()] { raw->Run(); });
    return events;
}

LinuxExecEvents::~LinuxExecEvents() {
    StopHolding();
    const uint64_t one = 1;
    (void)::write(m_stop.get(), &one, sizeof one);
    if (m_thread.joinable())
        m_thread.join();
    m_pending.reset(); // answers anything left before the descriptor closes
}

bool LinuxExecEvents::MarkMounts() {
    const auto points = m_options.mountPoints.empty() ? ExecutableMounts() : m_options.mountPoints;
    for (const auto& point : points) {
        if (!m_marked.contains(point) && MarkOne(point))
            m_marked.insert(point);
    }
    return !m_marked.empty();
}

// The whole filesystem where the kernel allows it: its bind mounts, the overlays over it
// and its mounts in other mount namespaces execute through the same superblock. Else
// the one mount.
bool LinuxExecEvents::MarkOne(const std::string& point) {
    const auto id = FileIdAt(point);
    if (id && m_markedFilesystems.contains(id->device))
        return true;
    if (id && ::fanotify_mark(m_fanotify.get(), FAN_MARK_ADD | FAN_MARK_FILESYSTEM,
                              FAN_OPEN_EXEC_PERM, AT_FDCWD, point.c_str()) == 0) {
        m_markedFilesystems.insert(id->device);
        return true;
    }
    return ::fanotify_mark(m_fanotify.get(), FAN_MARK_ADD | FAN_MARK_MOUNT, FAN_OPEN_EXEC_PERM,
                           AT_FDCWD, point.c_str()) == 0;
}

ExecSource LinuxExecEvents::source() const {
    return m_fanotify.valid() ? ExecSource::Fanotify : ExecSource::ProcConnector;
}

std::string LinuxExecEvents::description() const {
    if (m_fanotify.valid())
        return std::string("fanotify exec permission (held before the first instruction)") +
               (m_connector.valid() ? " + proc connector exits" : "");
    return "proc connector exec events (held just after the exec)";
}

ExecDrain LinuxExecEvents::Drain() {
    uint64_t count = 0;
    while (::read(m_wake.get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
    ExecDrain drained;
    std::lock_guard lock(m_mutex);
    drained.passNeeded = m_passNeeded;
    drained.lost = m_lost;
    drained.denied.swap(m_denied);
    drained.unheld.swap(m_unheld);
    drained.execs.swap(m_execs);
    drained.exits.swap(m_exits);
    drained.execNames.swap(m_execNames);
    m_passNeeded = false;
    m_lost = false;
    return drained;
}

bool LinuxExecEvents::Wait(std::chrono::milliseconds timeout) {
    pollfd fd{m_wake.get(), POLLIN, 0};
    int rc;
    while ((rc = ::poll(&fd, 1, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) {
    }
    return rc > 0;
}

void LinuxExecEvents::SettlePending(const std::vector<uint32_t>& unjudged) {
    if (m_pending)
        m_pending->AllowSeenUnheld(unjudged);
}

void LinuxExecEvents::StopHolding() {
    m_holding = false;
    if (m_pending)
        (void)m_pending->StopAll();
}

// Past the bound only a full pass is sure to be right: the lists stop growing.
void LinuxExecEvents::NoteLocked(std::vector<uint32_t>& list, uint32_t pid) {
    if (pid == 0 || m_lost)
        return;
    if (m_execs.size() + m_exits.size() >= kMaxDrainPids) {
        m_lost = true;
        m_execs.clear();
        m_exits.clear();
        m_execNames.clear();
        return;
    }
    list.push_back(pid);
}

void LinuxExecEvents::Wake(bool lost, uint32_t execPid, std::string_view name) {
    {
        std::lock_guard lock(m_mutex);
        m_passNeeded = true;
        m_lost = m_lost || lost;
        NoteLocked(m_execs, execPid);
        if (!name.empty() && !m_lost)
            m_execNames.emplace_back(execPid, name);
    }
    const uint64_t one = 1;
    (void)::write(m_wake.get(), &one, sizeof one);
}

void LinuxExecEvents::ReportDenied(DeniedExec denied) {
    std::lock_guard lock(m_mutex);
    m_denied.push_back(std::move(denied));
}

void LinuxExecEvents::ReportUnheld(UnheldExec unheld) {
    std::lock_guard lock(m_mutex);
    m_unheld.push_back(std::move(unheld));
}

// The kernel could not give the next event a descriptor and refused that exec itself:
// the waiting events make room, as stops, and the refusal is reported.
void LinuxExecEvents::OnDescriptorsExhausted() {
    if (m_pending)
        m_pending->StopHoldingEvents();
    ReportDenied({0, 0, "", "", "no descriptor left for the exec's event: the kernel refused it"});
    Wake(false);
}

void LinuxExecEvents::Run() {
    std::vector<pollfd> fds;
    fds.push_back({m_stop.get(), POLLIN, 0});
    if (m_pending && m_pending->endedFd() >= 0)
        fds.push_back({m_pending->endedFd(), POLLIN, 0});
    if (m_fanotify.valid())
        fds.push_back({m_fanotify.get(), POLLIN, 0});
    if (m_connector.valid())
        fds.push_back({m_connector.get(), POLLIN, 0});
    if (m_mountInfo.valid())
        fds.push_back({m_mountInfo.get(), POLLPRI, 0});
    for (;;) {
        int timeout = -1;
        if (m_pending) {
            if (const auto next = m_pending->Expire())
                timeout = static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(*next).count() + 1);
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0)
            return;
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == m_fanotify.get())
                ReadFanotify();
            else if (fds[i].fd == m_connector.get())
                ReadConnector();
            else if (fds[i].fd == m_mountInfo.get())
                MarkMounts(); // marks follow new mounts
            else if (m_pending && fds[i].fd == m_pending->endedFd())
                m_pending->DropEnded();
        }
    }
    m_live = false;
    Wake(true);
}

void LinuxExecEvents::ReadFanotify() {
    // The kernel opens a descriptor for every event one read returns: a few at a time,
    // so that a burst cannot take them all at once.
    alignas(fanotify_event_metadata) std::array<char, 16 * sizeof(fanotify_event_metadata)> buffer;
    // Each read that fails for want of a descriptor costs the kernel one refused exec.
    constexpr int kExhaustedReads = 64;
    int exhausted = 0;
    for (;;) {
        const ssize_t length = ::read(m_fanotify.get(), buffer.data(), buffer.size());
        if (length < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EMFILE || errno == ENFILE) {
                OnDescriptorsExhausted();
                if (++exhausted < kExhaustedReads)
                    continue;
                return;
            }
            if (errno != EAGAIN) {
                m_live = false;
                Wake(true);
            }
            return;
        }
        auto* event = reinterpret_cast<const fanotify_event_metadata*>(buffer.data());
        ssize_t left = length;
        for (; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            if (event->vers != FANOTIFY_METADATA_VERSION)
                continue;
            if ((event->mask & FAN_Q_OVERFLOW) != 0) {
                Wake(true);
                continue;
            }
            if (event->fd < 0)
                continue;
            if ((event->mask & FAN_OPEN_EXEC_PERM) != 0)
                OnExec(event->fd, static_cast<uint32_t>(event->pid));
            else
                ::close(event->fd);
        }
    }
}

ExecMark LinuxExecEvents::MarkOf(uint32_t pid, uint64_t startTime, int eventFd,
                                 const std::optional<std::string>& call) const {
    ExecMark mark;
    mark.startTime = startTime;
    mark.call = call;
    const std::string proc = "/proc/" + std::to_string(pid);
    mark.oldImage = FileIdAt(proc + "/exe");
    // Resolved as the task resolves it: in its own root and mount namespace.
    if (const auto interpreter = ElfInterpreter(eventFd);
        interpreter && interpreter->starts_with('/'))
        mark.interpreter = FileIdAt(proc + "/root" + *interpreter);
    return mark;
}

void LinuxExecEvents::OnExec(int eventFd, uint32_t pid) {
    UniqueFd fd(eventFd);
    auto respond = [&](bool allow) { Respond(m_fanotify.get(), fd.get(), allow); };

    // The ELF interpreter opened by an execve that was allowed: part of that exec, asked
    // about no more, unless it is itself a program the rules refuse (then it is judged
    // below like any exec).
    if (pid != 0 && m_pending->IsSameExec(pid, fd.get())) {
        const auto path = ReadLinkText("/proc/self/fd/" + std::to_string(fd.get()));
        const ExecRequest interpreter{pid, path ? *path : "", path ? FileNameOf(*path) : ""};
        if (!m_triage || m_triage(interpreter) != ExecVerdict::Deny) {
            respond(true);
            return;
        }
    }
    // Not ours to hold: ourselves and what we start. A guard that is PID 1 of its
    // namespace inherits every orphan: a parent of 1 says nothing there.
    const uint32_t self = static_cast<uint32_t>(::getpid());
    const auto stat = pid == 0 ? std::nullopt : StatOf(pid);
    if (pid == self || (stat && stat->parentPid == self && self != 1) || !m_holding) {
        respond(true);
        return;
    }

    ExecRequest request{pid, {}, {}};
    std::string problem; // what could not be known: logged with the decision
    const auto call = pid == 0 ? std::nullopt : SyscallLine(pid);
    errno = 0;
    if (auto path = ReadLinkText("/proc/self/fd/" + std::to_string(fd.get()))) {
        request.path = *path;
        request.name = FileNameOf(*path);
    } else {
        const bool tooLong = errno == ENAMETOOLONG;
        problem = tooLong ? "path too long" : "cannot read the program's path";
        // The name the task gave execve, from its memory: its file name is the program's.
        const auto given = call ? ExecFileNameArgument(pid, *call) : std::nullopt;
        request.name = given ? FileNameOf(*given) : std::string();
        request.path = request.name + " (" + problem + ")";
    }
    if (!stat)
        problem = pid == 0 ? "a process in another PID namespace"
                           : "cannot read /proc/" + std::to_string(pid) + "/stat";
    const uint32_t parent = stat ? stat->parentPid : 0;

    const ExecVerdict verdict = m_triage ? m_triage(request) : ExecVerdict::Allow;
    switch (verdict) {
    case ExecVerdict::Allow:
        if (stat)
            m_pending->NoteAllowed(pid, MarkOf(pid, stat->startTime, fd.get(), call));
        respond(true);
        Wake(false, pid, request.name);
        return;
    case ExecVerdict::Deny: {
        // The owner is read before the kill: nothing is left to read after it.
        DeniedExec denied{
            pid, parent, request.path, request.name, problem, stat ? OwnerIdOf(pid) : std::nullopt,
            {}};
        respond(false);
        if (stat)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        if (ExecutedFileFd::Available())
            denied.file = std::make_shared<ExecutedFileFd>(std::move(fd));
        ReportDenied(std::move(denied));
        Wake(false);
        return;
    }
    case ExecVerdict::Hold:
        if (stat && m_pending->Add(pid, fd, request.path, request.name,
                                   MarkOf(pid, stat->startTime, fd.get(), call))) {
            Wake(false, pid);
            return;
        }
        // Not seen, or no longer holding: it goes on, and the log says why.
        respond(true);
        ReportUnheld({pid, parent, request.path, request.name,
                      problem.empty() ? "the guard is letting go of its holds" : problem});
        Wake(false, pid, request.name);
        return;
    }
}

void LinuxExecEvents::ReadConnector() {
    alignas(nlmsghdr) std::array<char, 8192> buffer;
    bool any = false;
    std::vector<uint32_t> execs;
    std::vector<uint32_t> exits;
    for (;;) {
        const ssize_t length = ::recv(m_connector.get(), buffer.data(), buffer.size(), 0);
        if (length < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOBUFS) { // the socket's queue overflowed: events were lost
                Wake(true);
                continue;
            }
            break;
        }
        auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
        int left = static_cast<int>(length);
        for (; NLMSG_OK(header, left); header = NLMSG_NEXT(header, left)) {
            const auto* message = static_cast<const cn_msg*>(NLMSG_DATA(header));
            if (header->nlmsg_len < NLMSG_LENGTH(sizeof(cn_msg) + sizeof(proc_event)) ||
                message->id.idx != CN_IDX_PROC)
                continue;
            // The message leaves the event 4 bytes off its alignment: copied out, not cast.
            proc_event event;
            std::memcpy(&event, message->data, sizeof event);
            if (event.what == proc_event::PROC_EVENT_EXEC) {
                any = true;
                execs.push_back(static_cast<uint32_t>(event.event_data.exec.process_tgid));
            } else if (event.what == proc_event::PROC_EVENT_EXIT &&
                       event.event_data.exit.process_pid == event.event_data.exit.process_tgid) {
                any = true;
                exits.push_back(static_cast<uint32_t>(event.event_data.exit.process_tgid));
            } else if (event.what == proc_event::PROC_EVENT_FORK &&
                       event.event_data.fork.child_pid == event.event_data.fork.child_tgid) {
                // A new process is listed as its parent's copy until it execs.
                any = true;
                execs.push_back(static_cast<uint32_t>(event.event_data.fork.child_tgid));
            }
        }
    }
    if (!any)
        return;
    {
        std::lock_guard lock(m_mutex);
        for (const uint32_t pid : execs)
            NoteLocked(m_execs, pid);
        for (const uint32_t pid : exits)
            NoteLocked(m_exits, pid);
    }
    Wake(false);
}

} // namespace quorvel::platform::linux_backend
