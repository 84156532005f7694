#include "platform/linux/PosixFd.h"

#include <unistd.h>

namespace quorvel::platform::linux_backend {

bool PosixFd::close() {
    if (m_fd < 0)
        return true;
    const int fd = std::exchange(m_fd, -1);
    return ::close(fd) == 0;
}

void PosixFd::reset() {
    (void)close();
}

} // namespace quorvel::platform::linux_backend
