#include "platform/win32/Win32FileOpen.h"

#include "platform/win32/AnsiText.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Error.h"

namespace quorvel::platform::win32_backend {

namespace {

// Pipes, consoles and devices are never the program's files: reading one may never end.
Result<UniqueHandle> OnlyDiskFile(UniqueHandle file, const std::string& path) {
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        return MakeError(Errc::InvalidArgument, path + " is not a regular file");
    return file;
}

} // namespace

Result<UniqueHandle> OpenWin32File(const std::string& path, DWORD access, DWORD share,
                                   DWORD disposition) {
    if (path.empty())
        return MakeError(Errc::InvalidArgument, "empty path");
    if (auto wide = Utf8ToWide(path)) {
        UniqueHandle file(CreateFileW(wide.value().c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return OnlyDiskFile(std::move(file), path);
    }
    const DWORD wideError = GetLastError();
    auto ansi = Utf8ToAnsi(path);
    if (!ansi)
        return ErrorFromCode(wideError, "CreateFileW");
    UniqueHandle file(CreateFileA(ansi.value().c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastError("CreateFileA");
    return OnlyDiskFile(std::move(file), path);
}

} // namespace quorvel::platform::win32_backend
