#include "platform/win32/AnsiText.h"
#include "platform/win32/Backends.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"

namespace quorvel::platform::win32_backend {
namespace {

std::string WindowTitle(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string title(static_cast<size_t>(length) + 1, '\0');
    const int read = GetWindowTextA(window, title.data(), length + 1);
    if (read <= 0)
        return {};
    title.resize(static_cast<size_t>(read));
    return AnsiToUtf8(title);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto& handles = *reinterpret_cast<std::vector<HWND>*>(context);
    handles.push_back(window);
    return TRUE;
}

class Win32Windows final : public DesktopWindows {
public:
    Result<std::vector<TopLevelWindow>> ListTopLevelWindows() override {
        // Titles are read after the walk, outside the callback, so a window that hangs on
        // WM_GETTEXT does not hold EnumWindows open.
        std::vector<HWND> handles;
        if (!EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&handles)))
            return LastError("EnumWindows");
        std::vector<TopLevelWindow> windows;
        windows.reserve(handles.size());
        for (HWND handle : handles) {
            TopLevelWindow w;
            w.id = reinterpret_cast<uintptr_t>(handle);
            DWORD owner = 0;
            if (GetWindowThreadProcessId(handle, &owner) != 0)
                w.ownerPid = owner;
            w.title = WindowTitle(handle);
            // What Windows+M would minimise: shown, not minimised, with a minimise box.
            w.onScreen = IsWindowVisible(handle) && !IsIconic(handle) &&
                         (GetWindowLongW(handle, GWL_STYLE) & WS_MINIMIZEBOX) != 0;
            windows.push_back(std::move(w));
        }
        return windows;
    }

    Status MinimizeWindows(const std::vector<uint64_t>& ids) override {
        // Asynchronous: a window whose program hangs does not hang this one.
        for (uint64_t id : ids) {
            HWND handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(id));
            if (IsWindow(handle))
                ShowWindowAsync(handle, SW_SHOWMINNOACTIVE);
        }
        return {};
    }
};

} // namespace

std::unique_ptr<DesktopWindows> CreateWin32Windows() {
    return std::make_unique<Win32Windows>();
}

} // namespace quorvel::platform::win32_backend
