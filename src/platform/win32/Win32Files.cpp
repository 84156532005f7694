#include "platform/win32/AnsiText.h"
#include "platform/win32/Backends.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32FileHandle.h"
#include "platform/win32/Win32FileOpen.h"

#include <atomic>

namespace quorvel::platform::win32_backend {
namespace {

// Read or write data with READ_CONTROL and SYNCHRONIZE, the rights the program has
// always opened its files with.
constexpr DWORD kReadAccess = 0x120001;
constexpr DWORD kWriteAccess = 0x120002;
constexpr DWORD kReadWriteAccess = 0x120003;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kStubbornAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

DWORD AccessRights(FileAccess access) {
    switch (access) {
    case FileAccess::Read:
        return kReadAccess;
    case FileAccess::Write:
        return kWriteAccess;
    case FileAccess::ReadWrite:
        return kReadWriteAccess;
    }
    return 0;
}

DWORD CreationDisposition(FileDisposition disposition) {
    switch (disposition) {
    case FileDisposition::OpenExisting:
        return OPEN_EXISTING;
    case FileDisposition::OpenAlways:
        return OPEN_ALWAYS;
    case FileDisposition::CreateAlways:
        return CREATE_ALWAYS;
    }
    return 0;
}

DWORD ShareMode(FileShare share) {
    return (share.read ? FILE_SHARE_READ : 0u) | (share.write ? FILE_SHARE_WRITE : 0u) |
           (share.del ? FILE_SHARE_DELETE : 0u);
}

Status WriteAllTo(UniqueHandle file, std::span<const std::byte> data, uint64_t offset) {
    Win32FileHandle handle(std::move(file));
    auto written = handle.WriteAt(offset, data);
    if (!written)
        return written.error();
    return {};
}

// Writes a new file and flushes it to disk; closed on return.
Status WriteFlushed(const std::wstring& path, std::span<const std::byte> data) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastError("CreateFileW");
    Win32FileHandle handle(std::move(file));
    auto written = handle.WriteAt(0, data);
    if (!written)
        return written.error();
    if (!FlushFileBuffers(handle.native()))
        return LastError("FlushFileBuffers");
    return {};
}

class Win32Files final : public Files {
public:
    char PathSeparator() const override { return '\\'; }

    Result<std::unique_ptr<FileHandle>> Open(const std::string& path, FileAccess access,
                                             FileDisposition disposition,
                                             FileShare share) override {
        auto file = OpenWin32File(path, AccessRights(access), ShareMode(share),
                                  CreationDisposition(disposition));
        if (!file)
            return file.error();
        return std::unique_ptr<FileHandle>(
            std::make_unique<Win32FileHandle>(std::move(file).value()));
    }

    Result<std::vector<std::byte>> ReadAll(const std::string& path, uint64_t limit) override {
        auto file = OpenWin32File(path, kReadAccess, kShareAll, OPEN_EXISTING);
        if (!file)
            return file.error();
        Win32FileHandle handle(std::move(file).value());
        auto size = handle.Size();
        if (!size)
            return size.error();
        if (size.value() > limit)
            return MakeError(Errc::InvalidArgument,
                             path + " is larger than " + std::to_string(limit) + " bytes");
        std::vector<std::byte> data(static_cast<size_t>(size.value()));
        auto read = handle.ReadAt(0, data);
        if (!read)
            return read.error();
        data.resize(read.value());
        return data;
    }

    Status WriteAll(const std::string& path, std::span<const std::byte> data) override {
        auto file = OpenWin32File(path, kWriteAccess, FILE_SHARE_READ, CREATE_ALWAYS);
        if (!file)
            return file.error();
        return WriteAllTo(std::move(file).value(), data, 0);
    }

    Status WriteNew(const std::string& path, std::span<const std::byte> data) override {
        auto file = OpenWin32File(path, kWriteAccess, FILE_SHARE_READ, CREATE_NEW);
        if (!file)
            return file.error();
        return WriteAllTo(std::move(file).value(), data, 0);
    }

    Status Append(const std::string& path, std::span<const std::byte> data) override {
        auto file = OpenWin32File(path, kWriteAccess, FILE_SHARE_READ, OPEN_ALWAYS);
        if (!file)
            return file.error();
        Win32FileHandle handle(std::move(file).value());
        auto size = handle.Size();
        if (!size)
            return size.error();
        auto written = handle.WriteAt(size.value(), data);
        if (!written)
            return written.error();
        return {};
    }

    Status ReplaceAtomically(const std::string& path, std::span<const std::byte> data) override {
        auto target = Utf8ToWide(path);
        if (!target)
            return target.error();
        const std::string temporaryPath = path + ".~" + std::to_string(GetCurrentProcessId()) +
                                          "-" + std::to_string(++m_temporaryCounter);
        auto temporary = Utf8ToWide(temporaryPath);
        if (!temporary)
            return temporary.error();
        if (Status written = WriteFlushed(temporary.value(), data); !written) {
            DeleteFileW(temporary.value().c_str());
            return written;
        }
        if (!MoveFileExW(temporary.value().c_str(), target.value().c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            Error error = LastError("MoveFileExW");
            DeleteFileW(temporary.value().c_str());
            return error;
        }
        return {};
    }

    Status CopyOver(const std::string& from, const std::string& to) override {
        auto source = Utf8ToWide(from);
        if (!source)
            return source.error();
        auto target = Utf8ToWide(to);
        if (!target)
            return target.error();
        if (CopyFileW(source.value().c_str(), target.value().c_str(), FALSE))
            return {};
        Error error = LastError("CopyFileW");

        // CopyFileW refuses a read-only or hidden target, which the caller wants replaced
        // all the same; the copy then takes the source's attributes.
        const DWORD attributes = GetFileAttributesW(target.value().c_str());
        if (error.code != Errc::AccessDenied || attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & kStubbornAttributes) == 0 || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return error;
        SetFileAttributesW(target.value().c_str(), attributes & ~kStubbornAttributes);
        if (CopyFileW(source.value().c_str(), target.value().c_str(), FALSE))
            return {};
        error = LastError("CopyFileW");
        SetFileAttributesW(target.value().c_str(), attributes);
        return error;
    }

    Status Delete(const std::string& path) override {
        auto wide = Utf8ToWide(path);
        if (!wide)
            return wide.error();
        if (wide.value().empty())
            return MakeError(Errc::InvalidArgument, "empty path");
        if (DeleteFileW(wide.value().c_str()))
            return {};
        Error error = LastError("DeleteFileW");
        // A file named like a device (aux, con, nul) is the device in an ordinary path;
        // the device-namespace form names the file.
        const std::wstring device = L"\\\\.\\" + wide.value();
        if (DeleteFileW(device.c_str()))
            return {};
        return error;
    }

    Status ClearAttributes(const std::string& path) override {
        auto wide = Utf8ToWide(path);
        if (!wide)
            return wide.error();
        if (!SetFileAttributesW(wide.value().c_str(), 0))
            return LastError("SetFileAttributesW");
        return {};
    }

    bool Exists(const std::string& path) override {
        auto wide = Utf8ToWide(path);
        return wide && !wide.value().empty() && PathFileExistsW(wide.value().c_str());
    }

    bool IsDirectory(const std::string& path) override {
        auto wide = Utf8ToWide(path);
        return wide && !wide.value().empty() && PathIsDirectoryW(wide.value().c_str()) != FALSE;
    }

    Status CreateFolder(const std::string& path) override {
        auto wide = Utf8ToWide(path);
        if (!wide)
            return wide.error();
        if (wide.value().empty())
            return MakeError(Errc::InvalidArgument, "empty path");
        if (CreateDirectoryW(wide.value().c_str(), nullptr) ||
            (GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path)))
            return {};
        return LastError("CreateDirectoryW");
    }

    Result<std::string> DocumentsFolder() override {
        char folder[MAX_PATH + 1] = {};
        if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, FALSE))
            return MakeError(Errc::NotFound, "no documents folder");
        return AnsiToUtf8(folder);
    }

private:
    std::atomic<unsigned> m_temporaryCounter{0};
};

} // namespace

std::unique_ptr<Files> CreateWin32Files() {
    return std::make_unique<Win32Files>();
}

} // namespace quorvel::platform::win32_backend
