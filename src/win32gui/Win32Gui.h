#pragma once

#include <string>
#include <string_view>
#include <windows.h>

namespace quorvel::win32gui {

// UTF-8 inside, UTF-16 at the W calls.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

std::string WindowText(HWND window);
void SetText(HWND window, std::string_view utf8);
void SetItemText(HWND dialog, int id, std::string_view utf8);

// Registers a dialog class over DefDlgProcW, so a template's CLASS names the window.
void RegisterDialogClass(HINSTANCE instance, const wchar_t* name, HICON icon);

// A font of the dialog's face at the given point size, for the labels that stand out.
HFONT MakeFont(HWND reference, double points, bool bold);

} // namespace quorvel::win32gui
