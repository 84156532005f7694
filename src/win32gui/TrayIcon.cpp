#include "win32gui/TrayIcon.h"

#include "win32gui/Resource.h"

#include <algorithm>
#include <shellapi.h>
#include <utility>

namespace quorvel::win32gui {

TrayIcon::TrayIcon(HINSTANCE instance, HICON icon, std::string tip, Events events)
    : m_icon(icon), m_tip(std::move(tip)), m_events(std::move(events)),
      m_taskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TrayIcon::Procedure;
    wc.hInstance = instance;
    wc.lpszClassName = QUORVEL_CLASS_TRAY;
    RegisterClassExW(&wc);
    // A top-level window (never shown), since TaskbarCreated goes to top-level windows only.
    m_hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, QUORVEL_CLASS_TRAY, L"Quorvel", WS_POPUP, 0, 0, 0, 0,
                             nullptr, nullptr, instance, this);
}

TrayIcon::~TrayIcon() {
    Remove();
    if (m_hwnd != nullptr) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
}

NOTIFYICONDATAW TrayIcon::Record() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = m_hwnd;
    data.uID = QUORVEL_TRAY_ID;
    return data;
}

bool TrayIcon::Add() {
    NOTIFYICONDATAW data = Record();
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = QUORVEL_TRAY_CALLBACK;
    data.hIcon = m_icon;
    const std::wstring tip = Wide(m_tip).substr(0, 64);
    std::copy(tip.begin(), tip.end(), data.szTip);
    // A shell that restarted has forgotten the icon; one that only announced itself still
    // holds it, and then adding fails where modifying works.
    m_added =
        Shell_NotifyIconW(NIM_ADD, &data) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    return m_added;
}

void TrayIcon::Remove() {
    if (!m_added)
        return;
    NOTIFYICONDATAW data = Record();
    Shell_NotifyIconW(NIM_DELETE, &data);
    m_added = false;
}

std::optional<desktop::TrayCommand>
TrayIcon::TrackMenu(const std::vector<desktop::TrayMenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return std::nullopt;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].separator)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu, MF_STRING, i + 1, Wide(items[i].text).c_str());
    }
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(m_hwnd);
    const auto chosen = static_cast<size_t>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, m_hwnd, nullptr));
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen == 0 || chosen > items.size())
        return std::nullopt;
    return items[chosen - 1].command;
}

LRESULT CALLBACK TrayIcon::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        if (message == QUORVEL_TRAY_CALLBACK && wParam == QUORVEL_TRAY_ID) {
            if (self->m_events.mouse)
                self->m_events.mouse(static_cast<unsigned>(lParam & 0xFFFF));
            return 0;
        }
        if (message == self->m_taskbarCreated && self->m_taskbarCreated != 0) {
            self->m_added = false;
            if (self->m_events.taskbarCreated)
                self->m_events.taskbarCreated();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace quorvel::win32gui
