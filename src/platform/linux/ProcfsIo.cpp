#include "platform/linux/ProcfsIo.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace quorvel::platform::linux_backend {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int UniqueFd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

namespace {

// read() until the buffer is full or the file ends. /proc files of one record (stat,
// cmdline) come whole in the first read when the buffer is large enough, so for them a
// short read means the end and saves the second read that would return 0, which is half
// the cost of a snapshot. Multi-record files (maps) may come in short pieces.
std::optional<size_t> ReadAll(int fd, std::span<char> buffer, bool shortReadEnds) {
    size_t total = 0;
    while (total < buffer.size()) {
        const size_t wanted = buffer.size() - total;
        const ssize_t n = ::read(fd, buffer.data() + total, wanted);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
        if (shortReadEnds && static_cast<size_t>(n) < wanted)
            break;
    }
    return total;
}

} // namespace

std::optional<size_t> ReadSmallFileAt(int dirFd, const char* path, std::span<char> buffer) {
    UniqueFd fd(::openat(dirFd < 0 ? AT_FDCWD : dirFd, path, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return std::nullopt;
    return ReadAll(fd.get(), buffer, true);
}

std::optional<std::string> ReadFileText(const std::string& path, size_t limit) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return std::nullopt;
    std::string text;
    std::vector<char> chunk(4096);
    while (text.size() < limit) {
        auto n = ReadAll(fd.get(),
                         std::span<char>(chunk).first(std::min(chunk.size(), limit - text.size())),
                         false);
        if (!n)
            return std::nullopt;
        text.append(chunk.data(), *n);
        if (*n < chunk.size())
            break;
    }
    return text;
}

std::optional<std::string> ReadLinkText(const std::string& path) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= 65536)
            return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace quorvel::platform::linux_backend
