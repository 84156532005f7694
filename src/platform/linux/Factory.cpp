#include "platform/linux/Backends.h"

namespace quorvel::platform {

Platform CreateNativePlatform() {
    using namespace linux_backend;
    Platform p;
    p.processes = CreateProcfsProcesses();
    p.windows = CreateX11Windows();
    p.registry = CreateFileRegistry();
    p.files = CreatePosixFiles();
    p.ansi = CreateWindows1252Codec();
    p.internet = CreateCurlInternet();
    p.shell = CreateLinuxShell();
    return p;
}

} // namespace quorvel::platform
