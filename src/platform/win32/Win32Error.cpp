#include "platform/win32/Win32Error.h"

#include "platform/win32/Win32Api.h"

#include <string>

namespace quorvel::platform::win32_backend {

namespace {

Errc Classify(unsigned long code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_MOD_NOT_FOUND:
        return Errc::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
        return Errc::AccessDenied;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return Errc::InvalidArgument;
    case ERROR_CALL_NOT_IMPLEMENTED:
    case ERROR_NOT_SUPPORTED:
        return Errc::Unsupported;
    case ERROR_HANDLE_EOF:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
        return Errc::Io;
    default:
        return Errc::Failed;
    }
}

} // namespace

Error ErrorFromCode(unsigned long code, std::string_view what) {
    return MakeError(Classify(code), std::string(what) + " (error " + std::to_string(code) + ")");
}

Error LastError(std::string_view what) {
    return ErrorFromCode(GetLastError(), what);
}

} // namespace quorvel::platform::win32_backend
