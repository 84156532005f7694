#pragma once

#include "platform/Result.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Api.h"

#include <string>

namespace quorvel::platform::win32_backend {

// CreateFileW with the UTF-8 path; when that fails, CreateFileA with the path in the ANSI
// code page, as the program has always retried. Normal attributes, no template.
Result<UniqueHandle> OpenWin32File(const std::string& path, DWORD access, DWORD share,
                                   DWORD disposition);

} // namespace quorvel::platform::win32_backend
