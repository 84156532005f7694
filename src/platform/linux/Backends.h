#pragma once

#include "platform/Platform.h"

#include <memory>

// The Linux backend's parts, one source file each.
namespace quorvel::platform::linux_backend {

std::unique_ptr<Processes> CreateProcfsProcesses();  // ProcfsProcesses.cpp
std::unique_ptr<DesktopWindows> CreateX11Windows();  // X11Windows.cpp
std::unique_ptr<Registry> CreateFileRegistry();      // FileRegistry.cpp
std::unique_ptr<Files> CreatePosixFiles();           // PosixFiles.cpp
std::unique_ptr<AnsiCodec> CreateWindows1252Codec(); // Windows1252Codec.cpp
std::unique_ptr<Internet> CreateCurlInternet();      // CurlInternet.cpp
std::unique_ptr<Shell> CreateLinuxShell();           // LinuxShell.cpp

} // namespace quorvel::platform::linux_backend
