#pragma once

#include "platform/Result.h"

#include <string_view>

namespace quorvel::platform::win32_backend {

// An Error from a Win32 error code (GetLastError, or the LONG a Reg* call returns).
Error ErrorFromCode(unsigned long code, std::string_view what);

// An Error from GetLastError() of the call that just failed.
Error LastError(std::string_view what);

} // namespace quorvel::platform::win32_backend
