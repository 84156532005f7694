#include "platform/win32/Win32FileOpen.h"

#include "platform/win32/AnsiText.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Error.h"

namespace quorvel::platform::win32_backend {

Result<UniqueHandle> OpenWin32File(const std::string& path, DWORD access, DWORD share,
                                   DWORD disposition) {
    if (path.empty())
        return MakeError(Errc::InvalidArgument, "empty path");
    if (auto wide = Utf8ToWide(path)) {
        UniqueHandle file(CreateFileW(wide.value().c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
    }
    const DWORD wideError = GetLastError();
    auto ansi = Utf8ToAnsi(path);
    if (!ansi)
        return ErrorFromCode(wideError, "CreateFileW");
    UniqueHandle file(CreateFileA(ansi.value().c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastError("CreateFileA");
    return file;
}

} // namespace quorvel::platform::win32_backend
