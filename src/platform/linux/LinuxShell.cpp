#include "platform/linux/LinuxShell.h"

#include "platform/linux/Backends.h"
#include "platform/linux/LinuxShellArguments.h"
#include "platform/linux/ProcfsIo.h"
#include "platform/linux/ProcfsMaps.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

constexpr std::array<std::string_view, 12> k64BitMachines{
    "x86_64",  "aarch64", "arm64",   "ppc64",       "ppc64le", "s390x",
    "riscv64", "mips64",  "sparc64", "loongarch64", "ia64",    "alpha"};

// Writes errno into the pipe and ends the child; only async-signal-safe calls.
[[noreturn]] void FailChild(int pipeFd) {
    const int code = errno;
    (void)!::write(pipeFd, &code, sizeof code);
    ::_exit(127);
}

} // namespace

LinuxShell::LinuxShell() {
    m_timeLocale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!m_timeLocale)
        m_timeLocale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
}

LinuxShell::~LinuxShell() {
    if (m_timeLocale)
        ::freelocale(m_timeLocale);
}

Status LinuxShell::Execute(const std::string& file, const std::string& parameters,
                           const std::string& workingFolder) {
    auto started = Launch(file, parameters, workingFolder);
    if (!started)
        return started.error();
    return {};
}

Result<uint32_t> LinuxShell::Launch(const std::string& file, const std::string& parameters,
                                    const std::string& workingFolder) {
    if (file.empty())
        return MakeError(Errc::InvalidArgument, "no program to start");

    // Everything the children need is built before fork.
    std::vector<std::string> arguments = SplitParameters(parameters);
    arguments.insert(arguments.begin(), file);
    std::vector<char*> argv;
    for (auto& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return MakeError(Errc::Failed, std::string("pipe: ") + std::strerror(errno));
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    // The middle child tells the program's PID through this one.
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return MakeError(Errc::Failed, std::string("pipe: ") + std::strerror(errno));
    UniqueFd pidReadEnd(fds[0]);
    UniqueFd pidWriteEnd(fds[1]);

    // Two forks: the middle child exits at once and is reaped here, so the program is
    // adopted by init (or a subreaper) and never waits as our zombie.
    const pid_t middle = ::fork();
    if (middle < 0)
        return MakeError(Errc::Failed, std::string("fork: ") + std::strerror(errno));
    if (middle == 0) {
        ::setsid();
        const pid_t program = ::fork();
        if (program < 0)
            FailChild(writeEnd.get());
        if (program == 0) {
            if (folder && ::chdir(folder) != 0)
                FailChild(writeEnd.get());
            ::execvp(argv[0], argv.data());
            FailChild(writeEnd.get());
        }
        (void)!::write(pidWriteEnd.get(), &program, sizeof program);
        ::_exit(0);
    }
    writeEnd = UniqueFd();
    pidWriteEnd = UniqueFd();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }

    // The pipe closes on a successful exec; a failing child sends its errno first.
    int childErrno = 0;
    ssize_t n;
    while ((n = ::read(readEnd.get(), &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
    }
    if (n == static_cast<ssize_t>(sizeof childErrno)) {
        const Errc code = childErrno == ENOENT   ? Errc::NotFound
                          : childErrno == EACCES ? Errc::AccessDenied
                                                 : Errc::Failed;
        return MakeError(code, "cannot start " + file + ": " + std::strerror(childErrno));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return MakeError(Errc::Failed, "cannot start " + file);
    pid_t program = 0;
    while ((n = ::read(pidReadEnd.get(), &program, sizeof program)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(sizeof program) ? static_cast<uint32_t>(program) : 0u;
}

std::string LinuxShell::ExecutablePath() {
    auto target = ReadLinkText("/proc/self/exe");
    return target ? std::string(WithoutDeletedMark(*target)) : std::string();
}

std::string LinuxShell::ProgramFolder() {
    const std::string path = ExecutablePath();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LinuxShell::EnvironmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string LinuxShell::format(std::chrono::system_clock::time_point when,
                               const char* pattern) const {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return {};
    std::array<char, 128> text{};
    const size_t n = m_timeLocale
                         ? ::strftime_l(text.data(), text.size(), pattern, &local, m_timeLocale)
                         : std::strftime(text.data(), text.size(), pattern, &local);
    return std::string(text.data(), n);
}

std::string LinuxShell::ShortDateText(std::chrono::system_clock::time_point when) {
    return format(when, "%x");
}

std::string LinuxShell::TimeText(std::chrono::system_clock::time_point when) {
    return format(when, "%X");
}

bool LinuxShell::Is64BitMachine() {
    utsname name{};
    if (::uname(&name) != 0)
        return false;
    for (auto machine : k64BitMachines) {
        if (machine == name.machine)
            return true;
    }
    return false;
}

std::unique_ptr<Shell> CreateLinuxShell() {
    return std::make_unique<LinuxShell>();
}

} // namespace quorvel::platform::linux_backend
