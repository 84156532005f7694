#pragma once

#include <cstddef>
#include <dirent.h>
#include <memory>
#include <optional>
#include <span>
#include <string>

// Small, allocation-light file access for /proc and the runtime folder.
namespace quorvel::platform::linux_backend {

// Owns one file descriptor; closes it when destroyed.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();

private:
    int m_fd = -1;
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
// An open directory stream; closed when destroyed.
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

// Reads at most buffer.size() bytes of a one-record file such as /proc/PID/stat (relative
// to dirFd when it is not -1) with one open/read/close: such files are produced whole by
// one read, which also gives a consistent view. Returns the number of bytes read, nothing
// when the file cannot be opened or read.
std::optional<size_t> ReadSmallFileAt(int dirFd, const char* path, std::span<char> buffer);

// The whole file, up to limit bytes, however many reads it takes.
std::optional<std::string> ReadFileText(const std::string& path, size_t limit);

// The target of a symbolic link.
std::optional<std::string> ReadLinkText(const std::string& path);

} // namespace quorvel::platform::linux_backend
