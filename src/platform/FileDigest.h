#pragma once

#include "platform/Result.h"

#include <string>

namespace quorvel::platform {

// The SHA-256 of a regular file's bytes, as 64 lower-case hex digits. A folder, a device
// or a FIFO is refused without waiting on it.
Result<std::string> FileSha256(const std::string& path);

} // namespace quorvel::platform
