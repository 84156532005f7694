#include "platform/win32/Backends.h"
#include "platform/win32/Win32Stdio.h"

namespace quorvel::platform {

Platform CreateNativePlatform() {
    using namespace win32_backend;
    // The programs built on the platform write their texts byte for byte on every system.
    UseBinaryStdio();
    Platform p;
    p.processes = CreateToolhelpProcesses();
    p.windows = CreateWin32Windows();
    p.registry = CreateWin32Registry();
    p.files = CreateWin32Files();
    p.ansi = CreateWin32AnsiCodec();
    p.internet = CreateWinInetInternet();
    p.shell = CreateWin32Shell();
    return p;
}

} // namespace quorvel::platform
