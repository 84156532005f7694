#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace quorvel::platform::win32_backend {

// UTF-8 to the system's ANSI code page (CP_ACP) for the A calls. Fails when a character
// has no exact form there: a best-fit or default character would name something else.
Result<std::string> Utf8ToAnsi(std::string_view utf8);

// ANSI text from the A calls to UTF-8.
std::string AnsiToUtf8(std::string_view ansi);

} // namespace quorvel::platform::win32_backend
