#include "platform/win32/WideText.h"

#include "platform/win32/Win32Api.h"

#include <climits>

namespace quorvel::platform::win32_backend {

Result<std::wstring> Utf8ToWide(std::string_view utf8) {
    if (utf8.empty())
        return std::wstring();
    if (utf8.size() > INT_MAX)
        return MakeError(Errc::InvalidArgument, "text too long");
    const int inLength = static_cast<int>(utf8.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLength, nullptr, 0);
    if (length <= 0)
        return MakeError(Errc::InvalidArgument, "text is not UTF-8");
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLength, wide.data(), length);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > INT_MAX)
        return {};
    const int inLength = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

} // namespace quorvel::platform::win32_backend
