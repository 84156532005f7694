#include "platform/linux/PosixErrors.h"

#include <cerrno>
#include <cstring>

namespace quorvel::platform::linux_backend {

Errc ErrcFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return Errc::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Errc::AccessDenied;
    case EINVAL:
    case ENAMETOOLONG:
    case EISDIR:
    case ELOOP:
        return Errc::InvalidArgument;
    case EIO:
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Errc::Io;
    default:
        return Errc::Failed;
    }
}

Error PosixError(const std::string& what, const std::string& path) {
    const int error = errno;
    return MakeError(ErrcFromErrno(error), what + " " + path + ": " + std::strerror(error));
}

} // namespace quorvel::platform::linux_backend
