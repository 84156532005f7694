#include "win32gui/TrayMsgWindow.h"

#include "win32gui/Resource.h"

namespace quorvel::win32gui {

namespace {

// TimerLoad, TimerUnloadTime, TimerUnload1.
constexpr UINT_PTR kTimerIds[3] = {1, 2, 3};
constexpr UINT kTimerMs[3] = {guard::kPopupSlideTickMs, guard::kPopupHoldMs,
                              guard::kPopupCloseTickMs};

// The work area (the screen less the taskbar) and the display's DPI, as the popup rests on
// the bottom right of what the user can see.
std::unique_ptr<desktop::PopupPresenter> LoadStep(desktop::PopupView& view) {
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return std::make_unique<desktop::PopupPresenter>(
        view,
        guard::ScreenArea{area.left, area.top, area.right - area.left, area.bottom - area.top},
        double(dpiX), double(dpiY));
}

} // namespace

TrayMsgWindow::TrayMsgWindow(HINSTANCE instance) : m_instance(instance) {}

TrayMsgWindow::~TrayMsgWindow() {
    Destroy();
}

void TrayMsgWindow::ShowTrayMessage(const std::string& title, const std::string& message) {
    if (!alive()) {
        if (!Create(m_instance, IDD_TRAYMSG, nullptr))
            return;
        m_presenter = LoadStep(*this);
    }
    m_presenter->ShowTrayMessage(title, message);
    if (alive())
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

void TrayMsgWindow::SetTexts(const std::string& title, const std::string& message) {
    SetText(hwnd(), title);
    SetItemText(hwnd(), IDC_TRAYMSG_TITLE, title);
    SetItemText(hwnd(), IDC_TRAYMSG_MESSAGE, message);
}

void TrayMsgWindow::MoveTo(const guard::PixelRect& rect) {
    SetWindowPos(hwnd(), HWND_TOPMOST, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOACTIVATE);
}

void TrayMsgWindow::SetTimers(bool slide, bool hold, bool close) {
    const bool wanted[3] = {slide, hold, close};
    for (int i = 0; i < 3; ++i) {
        if (wanted[i] == m_timers[i])
            continue;
        m_timers[i] = wanted[i];
        if (wanted[i])
            SetTimer(hwnd(), kTimerIds[i], kTimerMs[i], nullptr);
        else
            KillTimer(hwnd(), kTimerIds[i]);
    }
}

void TrayMsgWindow::Close() {
    for (int i = 0; i < 3; ++i)
        m_timers[i] = false;
    Destroy();
}

INT_PTR TrayMsgWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        m_titleFont = MakeFont(hwnd(), 13.5, true);
        m_messageFont = MakeFont(hwnd(), 8.25, true);
        SendMessageW(item(IDC_TRAYMSG_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont),
                     FALSE);
        SendMessageW(item(IDC_TRAYMSG_MESSAGE), WM_SETFONT, reinterpret_cast<WPARAM>(m_messageFont),
                     FALSE);
        return FALSE;
    case WM_DESTROY:
        DeleteObject(m_titleFont);
        DeleteObject(m_messageFont);
        m_titleFont = m_messageFont = nullptr;
        return FALSE;
    case WM_TIMER:
        // Each call may close the window and so end this object's HWND.
        if (wParam == kTimerIds[0])
            m_presenter->SlideTick();
        else if (wParam == kTimerIds[1])
            m_presenter->HoldTick();
        else if (wParam == kTimerIds[2])
            m_presenter->CloseTick();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TRAYMSG_CLOSE) {
            m_presenter->CloseClicked();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace quorvel::win32gui
