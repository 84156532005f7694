#include "platform/linux/Backends.h"
#include "platform/linux/PosixAtomicWrite.h"
#include "platform/linux/PosixDocumentsFolder.h"
#include "platform/linux/PosixErrors.h"
#include "platform/linux/PosixFd.h"
#include "platform/linux/PosixReadFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {

namespace {

class PosixFileHandle final : public FileHandle {
public:
    explicit PosixFileHandle(PosixFd fd) : m_fd(std::move(fd)) {}

    Result<uint64_t> Size() override {
        struct stat info {};
        if (::fstat(m_fd.get(), &info) != 0)
            return PosixError("cannot query the size of", "an open file");
        return static_cast<uint64_t>(info.st_size);
    }

    Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
        size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t got = ::pread(m_fd.get(), buffer.data() + done, buffer.size() - done,
                                        static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return PosixError("cannot read", "an open file");
            }
            if (got == 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

    Result<size_t> WriteAt(uint64_t offset, std::span<const std::byte> data) override {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t put = ::pwrite(m_fd.get(), data.data() + done, data.size() - done,
                                         static_cast<off_t>(offset + done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return PosixError("cannot write", "an open file");
            }
            done += static_cast<size_t>(put);
        }
        return done;
    }

private:
    PosixFd m_fd;
};

class PosixFiles final : public Files {
public:
    char PathSeparator() const override { return '/'; }

    // Share modes exist only on Windows; POSIX files are always shared.
    Result<std::unique_ptr<FileHandle>> Open(const std::string& path, FileAccess access,
                                             FileDisposition disposition, FileShare) override {
        int flags = access == FileAccess::Read    ? O_RDONLY
                    : access == FileAccess::Write ? O_WRONLY
                                                  : O_RDWR;
        if (disposition == FileDisposition::OpenAlways)
            flags |= O_CREAT;
        else if (disposition == FileDisposition::CreateAlways)
            flags |= O_CREAT | O_TRUNC;
        if (access == FileAccess::Read && disposition == FileDisposition::CreateAlways)
            flags = (flags & ~O_ACCMODE) | O_RDWR; // O_TRUNC needs write access
        auto fd = OpenRegularFile(path, flags);
        if (!fd)
            return fd.error();
        return std::unique_ptr<FileHandle>(
            std::make_unique<PosixFileHandle>(std::move(fd).value()));
    }

    Result<std::vector<std::byte>> ReadAll(const std::string& path, uint64_t limit) override {
        auto text = ReadRegularFile(path, limit);
        if (!text)
            return text.error();
        const auto* first = reinterpret_cast<const std::byte*>(text.value().data());
        return std::vector<std::byte>(first, first + text.value().size());
    }

    Status WriteAll(const std::string& path, std::span<const std::byte> data) override {
        return WriteWith(path, O_WRONLY | O_CREAT | O_TRUNC, data);
    }

    Status WriteNew(const std::string& path, std::span<const std::byte> data) override {
        return WriteWith(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, data);
    }

    Status Append(const std::string& path, std::span<const std::byte> data) override {
        return WriteWith(path, O_WRONLY | O_CREAT | O_APPEND, data);
    }

    Status ReplaceAtomically(const std::string& path, std::span<const std::byte> data) override {
        return WriteFileAtomically(path, data);
    }

    // The copy goes through a temporary file beside the target, so a failed copy leaves
    // the old target whole, and a read-only target is replaced like any other.
    Status CopyOver(const std::string& from, const std::string& to) override {
        auto bytes = ReadAll(from, kPeFileLimit);
        if (!bytes)
            return bytes.error();
        return WriteFileAtomically(to, bytes.value());
    }

    Status Delete(const std::string& path) override {
        if (path.empty())
            return MakeError(Errc::InvalidArgument, "empty path");
        if (IsDirectory(path))
            return MakeError(Errc::InvalidArgument, path + " is a folder");
        if (::unlink(path.c_str()) != 0)
            return PosixError("cannot delete", path);
        return {};
    }

    // The nearest thing to a read-only attribute is a missing owner write bit. A link is
    // left alone: chmod would change whatever it points at.
    Status ClearAttributes(const std::string& path) override {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            return PosixError("cannot query", path);
        if (!S_ISREG(info.st_mode) || (info.st_mode & S_IWUSR))
            return {};
        if (::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0)
            return PosixError("cannot change the mode of", path);
        return {};
    }

    bool Exists(const std::string& path) override {
        struct stat info {};
        return !path.empty() && ::stat(path.c_str(), &info) == 0;
    }

    bool IsDirectory(const std::string& path) override {
        struct stat info {};
        return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    Status CreateFolder(const std::string& path) override {
        if (path.empty())
            return MakeError(Errc::InvalidArgument, "empty path");
        if (::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && IsDirectory(path)))
            return {};
        return PosixError("cannot create", path);
    }

    Result<std::string> DocumentsFolder() override {
        std::string folder = FindDocumentsFolder();
        if (folder.empty())
            return MakeError(Errc::NotFound, "no home folder");
        return folder;
    }

private:
    Status WriteWith(const std::string& path, int flags, std::span<const std::byte> data) {
        auto fd = OpenRegularFile(path, flags);
        if (!fd)
            return fd.error();
        if (!WriteAllToFd(fd.value().get(), data))
            return PosixError("cannot write", path);
        if (!fd.value().close())
            return PosixError("cannot close", path);
        return {};
    }
};

} // namespace

std::unique_ptr<Files> CreatePosixFiles() {
    return std::make_unique<PosixFiles>();
}

} // namespace quorvel::platform::linux_backend
