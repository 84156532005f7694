#pragma once

#include "platform/DesktopWindows.h"
#include "platform/Files.h"
#include "platform/Internet.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <memory>

namespace quorvel::platform {

// Every operating-system service the program uses, from one backend.
struct Platform {
    std::unique_ptr<Processes> processes;
    std::unique_ptr<DesktopWindows> windows;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Files> files;
    std::unique_ptr<AnsiCodec> ansi;
    std::unique_ptr<Internet> internet;
    std::unique_ptr<Shell> shell;
};

// The backend of the system this build is for.
Platform CreateNativePlatform();

} // namespace quorvel::platform
