#include "platform/InstanceLock.h"
#include "platform/linux/PosixErrors.h"
#include "platform/linux/PosixFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace quorvel::platform {

namespace {

// flock belongs to the open file description: the kernel drops it when the last
// descriptor closes, which a crash or SIGKILL does too.
class FlockInstanceLock final : public InstanceLock {
public:
    explicit FlockInstanceLock(linux_backend::PosixFd fd) : m_fd(std::move(fd)) {}

private:
    linux_backend::PosixFd m_fd;
};

} // namespace

Result<std::unique_ptr<InstanceLock>> TryInstanceLock(const std::string& path) {
    linux_backend::PosixFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
    if (!fd.valid())
        return linux_backend::PosixError("cannot open", path);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return std::unique_ptr<InstanceLock>();
        return linux_backend::PosixError("cannot lock", path);
    }
    return std::unique_ptr<InstanceLock>(std::make_unique<FlockInstanceLock>(std::move(fd)));
}

} // namespace quorvel::platform
