#include "platform/win32/Backends.h"

namespace quorvel::platform {

Platform CreateNativePlatform() {
    using namespace win32_backend;
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
