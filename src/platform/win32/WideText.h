#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace quorvel::platform::win32_backend {

// UTF-8 to UTF-16 for the W calls; fails on malformed UTF-8.
Result<std::wstring> Utf8ToWide(std::string_view utf8);

// UTF-16 from the W calls to UTF-8; unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

} // namespace quorvel::platform::win32_backend
