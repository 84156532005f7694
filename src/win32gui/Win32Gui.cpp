#include "win32gui/Win32Gui.h"

#include "platform/win32/WideText.h"

#include <cmath>

namespace quorvel::win32gui {

using platform::win32_backend::Utf8ToWide;
using platform::win32_backend::WideToUtf8;

std::wstring Wide(std::string_view utf8) {
    auto wide = Utf8ToWide(utf8);
    return wide ? wide.value() : std::wstring();
}

std::string Utf8(std::wstring_view wide) {
    return WideToUtf8(wide);
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return Utf8(text);
}

void SetText(HWND window, std::string_view utf8) {
    SetWindowTextW(window, Wide(utf8).c_str());
}

void SetItemText(HWND dialog, int id, std::string_view utf8) {
    SetDlgItemTextW(dialog, id, Wide(utf8).c_str());
}

void RegisterDialogClass(HINSTANCE instance, const wchar_t* name, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

HFONT MakeFont(HWND reference, double points, bool bold) {
    LOGFONTW face{};
    if (auto current = reinterpret_cast<HFONT>(SendMessageW(reference, WM_GETFONT, 0, 0)))
        GetObjectW(current, sizeof(face), &face);
    HDC dc = GetDC(reference);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(reference, dc);
    face.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
    face.lfWidth = 0;
    face.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    return CreateFontIndirectW(&face);
}

} // namespace quorvel::win32gui
