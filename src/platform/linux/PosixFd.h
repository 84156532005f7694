#pragma once

#include <utility>

namespace quorvel::platform::linux_backend {

// Owns a file descriptor and closes it once.
class PosixFd {
public:
    PosixFd() = default;
    explicit PosixFd(int fd) : m_fd(fd) {}
    PosixFd(PosixFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    PosixFd& operator=(PosixFd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    PosixFd(const PosixFd&) = delete;
    PosixFd& operator=(const PosixFd&) = delete;
    ~PosixFd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether close succeeded (it can report a late write error).
    bool close();
    void reset();

private:
    int m_fd = -1;
};

} // namespace quorvel::platform::linux_backend
