#include "platform/linux/PosixReadFile.h"

#include "platform/linux/PosixErrors.h"
#include "platform/linux/PosixFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {

Result<PosixFd> OpenRegularFile(const std::string& path, int flags) {
    if (path.empty())
        return MakeError(Errc::InvalidArgument, "empty path");
    PosixFd fd(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!fd.valid())
        return PosixError("cannot open", path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return PosixError("cannot query", path);
    if (S_ISDIR(info.st_mode))
        return MakeError(Errc::InvalidArgument, path + " is a folder");
    if (!S_ISREG(info.st_mode))
        return MakeError(Errc::InvalidArgument, path + " is not a regular file");
    return fd;
}

Result<std::string> ReadRegularFile(const std::string& path, uint64_t limit) {
    auto opened = OpenRegularFile(path, O_RDONLY);
    if (!opened)
        return opened.error();
    const PosixFd& fd = opened.value();
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return PosixError("cannot query", path);
    if (static_cast<uint64_t>(info.st_size) > limit)
        return MakeError(Errc::InvalidArgument,
                         path + " is larger than " + std::to_string(limit) + " bytes");
    std::string text(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t got =
            ::pread(fd.get(), text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return PosixError("cannot read", path);
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    text.resize(done);
    return text;
}

} // namespace quorvel::platform::linux_backend
