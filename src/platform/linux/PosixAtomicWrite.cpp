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

// The old way, for a file whose folder we may not write: truncate and write in place. A
// failure part-way leaves the file cut short, which is why it is only the fallback.
Status WriteInPlace(const std::string& path, std::span<const std::byte> data) {
    PosixFd fd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return PosixError("cannot open", path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return PosixError("cannot query", path);
    if (!S_ISREG(info.st_mode))
        return MakeError(Errc::InvalidArgument, path + " is not a regular file");
    if (::ftruncate(fd.get(), 0) != 0)
        return PosixError("cannot truncate", path);
    if (!WriteAllToFd(fd.get(), data))
        return PosixError("cannot write", path);
    if (::fsync(fd.get()) != 0)
        return PosixError("cannot flush", path);
    if (!fd.close())
        return PosixError("cannot close", path);
    return {};
}

bool FolderRefusesNewFiles(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
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
    // A FIFO or a device in the file's place is never replaced: it is not ours.
    if (hadOld && !S_ISREG(old.st_mode))
        return MakeError(Errc::InvalidArgument, path + " is not a regular file");

    std::string temporary;
    PosixFd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        temporary = TemporaryName(path);
        fd = PosixFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) {
            if (hadOld && FolderRefusesNewFiles(errno) && ::access(path.c_str(), W_OK) == 0)
                return WriteInPlace(path, data);
            return PosixError("cannot create", temporary);
        }
    }
    if (!fd.valid())
        return MakeError(Errc::Failed, "no free temporary name beside " + path);

    auto fail = [&](const char* what) {
        Error error = PosixError(what, temporary);
        fd.reset();
        ::unlink(temporary.c_str());
        return error;
    };
    // Owner first: changing it may clear set-id bits, which the mode then restores. Only
    // root may give a file away; anyone else keeps their own.
    if (hadOld && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
        (void)::fchown(fd.get(), old.st_uid, old.st_gid);
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
