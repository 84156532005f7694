#pragma once

#include "platform/Platform.h"

#include <memory>

// The Win32 backend's parts, one source file each.
namespace quorvel::platform::win32_backend {

std::unique_ptr<Processes> CreateToolhelpProcesses(); // ToolhelpProcesses.cpp
std::unique_ptr<DesktopWindows> CreateWin32Windows(); // Win32Windows.cpp
std::unique_ptr<Registry> CreateWin32Registry();      // Win32Registry.cpp
std::unique_ptr<Files> CreateWin32Files();            // Win32Files.cpp
std::unique_ptr<AnsiCodec> CreateWin32AnsiCodec();    // Win32AnsiCodec.cpp
std::unique_ptr<Internet> CreateWinInetInternet();    // WinInetInternet.cpp
std::unique_ptr<Shell> CreateWin32Shell();            // Win32Shell.cpp

} // namespace quorvel::platform::win32_backend
