#include "platform/linux/PosixAtomicWrite.h"

#include "platform/linux/PosixErrors.h"
#include "platform/linux/PosixFd.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {

namespace {

std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++) + "." +
           std::to_string(random() % 1000000);
}

} // namespace

bool WriteAllToFd(int fd, std::span<const std::byte> data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data = data.subspan(static_cast<size_t>(written));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

Status WriteFileAtomically(const std::string& path, std::span<const std::byte> data) {
    if (path.empty())
        return MakeError(Errc::InvalidArgument, "empty path");
    struct stat old {};
    const bool hadOld = ::stat(path.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return MakeError(Errc::InvalidArgument, path + " is a folder");

    std::string temporary;
    PosixFd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        temporary = TemporaryName(path);
        fd = PosixFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST)
            return PosixError("cannot create", temporary);
    }
    if (!fd.valid())
        return MakeError(Errc::Failed, "no free temporary name beside " + path);

    auto fail = [&](const char* what) {
        Error error = PosixError(what, temporary);
        fd.reset();
        ::unlink(temporary.c_str());
        return error;
    };
    if (hadOld && ::fchmod(fd.get(), old.st_mode & 07777) != 0)
        return fail("cannot set the mode of");
    if (!WriteAllToFd(fd.get(), data))
        return fail("cannot write");
    if (::fsync(fd.get()) != 0)
        return fail("cannot flush");
    if (!fd.close()) {
        ::unlink(temporary.c_str());
        return PosixError("cannot close", temporary);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        Error error = PosixError("cannot rename over", path);
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself is durable only once the folder is on disk.
    PosixFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        (void)::fsync(folder.get());
    return {};
}

} // namespace quorvel::platform::linux_backend
