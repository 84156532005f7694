#pragma once

namespace quorvel::platform::win32_backend {

// Standard output and error carry bytes as they are, as on other systems: no LF becomes
// CR LF on the way out, so texts that hold their own CR LF come out unchanged.
void UseBinaryStdio();

} // namespace quorvel::platform::win32_backend
