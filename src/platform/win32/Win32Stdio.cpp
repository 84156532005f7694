#include "platform/win32/Win32Stdio.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace quorvel::platform::win32_backend {

void UseBinaryStdio() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

} // namespace quorvel::platform::win32_backend
