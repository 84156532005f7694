#include "platform/win32/AnsiText.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Api.h"

#include <climits>

namespace quorvel::platform::win32_backend {

Result<std::string> Utf8ToAnsi(std::string_view utf8) {
    auto wide = Utf8ToWide(utf8);
    if (!wide)
        return wide.error();
    const std::wstring& w = wide.value();
    if (w.empty())
        return std::string();
    if (w.size() > INT_MAX)
        return MakeError(Errc::InvalidArgument, "text too long");
    const int inLength = static_cast<int>(w.size());

    // A UTF-8 ANSI code page accepts no flags and no used-default pointer, and represents
    // everything anyway.
    const UINT codePage = GetACP();
    const bool utf8CodePage = codePage == CP_UTF8;
    const DWORD flags = utf8CodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8CodePage ? nullptr : &usedDefault;

    const int length =
        WideCharToMultiByte(CP_ACP, flags, w.data(), inLength, nullptr, 0, nullptr, usedDefaultOut);
    if (length <= 0)
        return MakeError(Errc::InvalidArgument, "text has no ANSI form");
    std::string ansi(static_cast<size_t>(length), '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, flags, w.data(), inLength, ansi.data(), length, nullptr,
                        usedDefaultOut);
    if (usedDefault)
        return MakeError(Errc::InvalidArgument, "text holds a character the ANSI code page lacks");
    return ansi;
}

std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty() || ansi.size() > INT_MAX)
        return {};
    const int inLength = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), inLength, wide.data(), length);
    return WideToUtf8(wide);
}

} // namespace quorvel::platform::win32_backend
