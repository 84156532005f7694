#pragma once

#include <windows.h>

namespace quorvel::win32gui {

// The program's icon, drawn: a dark blue shield with a white "Q". Owned by the caller.
HICON MakeAppIcon(int size);

} // namespace quorvel::win32gui
