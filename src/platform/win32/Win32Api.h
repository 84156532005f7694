#pragma once

// The Windows SDK headers, windows.h first: the others lean on its types, and include
// sorting would otherwise put them before it.
// clang-format off
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <wininet.h>
// clang-format on
