// Works quorvel.exe's windows from outside: finds them by class and caption, controls by
// ID, clicks with BM_CLICK, reads with WM_GETTEXT and waits with deadlines. Exits 1 with
// the expected and the actual value at the first check that fails.
//
//   quorvel-driver gui             the desktop test (the program is running, main window up)
//   quorvel-driver second-copy     answers a second copy's message
//   quorvel-driver close           closes the main window
//   quorvel-driver login           only the way back from the tray through the login
//   quorvel-driver popup           only the popup
//   quorvel-driver startup N QUORVEL DATA EMPTY
//                                  the start-up figure: time to the main window shown,
//                                  against an empty dialog program, N runs of each
//   quorvel-driver shoot FOLDER    a BMP of each window into FOLDER
// windows.h first: the other Windows headers build on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "win32gui/Resource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---- reporting ---------------------------------------------------------------------------

std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), size, nullptr,
                        nullptr);
    return text;
}

[[noreturn]] void Fail(const std::string& what, const std::string& expected,
                       const std::string& actual) {
    std::printf("driver: FAILED: %s\n  expected: '%s'\n  actual:   '%s'\n", what.c_str(),
                expected.c_str(), actual.c_str());
    std::fflush(stdout);
    std::exit(1);
}

void Step(const char* text) {
    std::printf("driver: %s\n", text);
    std::fflush(stdout);
}

// ---- windows -----------------------------------------------------------------------------

std::wstring Text(HWND window) {
    if (window == nullptr)
        return L"<no window>";
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return std::wstring(buffer, size_t(copied));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

bool Visible(HWND window) {
    return window != nullptr && IsWindowVisible(window);
}

// Polls until the condition holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 15000) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (true) {
        if (condition())
            return true;
        if (GetTickCount64() > end)
            return false;
        Sleep(50);
    }
}

struct Search {
    const wchar_t* className;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK MatchTop(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || ClassOf(window) != search->className)
        return TRUE;
    if (search->caption != nullptr && Text(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A visible top-level window of this class (and caption, if given).
HWND FindTop(const wchar_t* className, const std::wstring* caption = nullptr) {
    Search search{className, caption, nullptr};
    EnumWindows(&MatchTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTop(const char* what, const wchar_t* className, const std::wstring& caption) {
    HWND found = nullptr;
    if (!WaitFor([&] { return (found = FindTop(className, &caption)) != nullptr; })) {
        HWND other = FindTop(className);
        Fail(std::string(what) + ": no window of class " + Narrow(className), Narrow(caption),
             other ? Narrow(Text(other)) : "<none visible>");
    }
    return found;
}

void WaitGone(const char* what, const wchar_t* className) {
    if (!WaitFor([&] { return FindTop(className) == nullptr; }))
        Fail(std::string(what) + ": still on screen", "hidden", Narrow(Text(FindTop(className))));
}

void ExpectText(const char* what, HWND window, const std::wstring& expected) {
    const std::wstring actual = Text(window);
    if (actual != expected)
        Fail(what, Narrow(expected), Narrow(actual));
}

// A click that returns at once; Post when the click opens a modal loop.
void Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr)
        Fail("button " + std::to_string(id), "a control", "none");
    SendMessageW(button, BM_CLICK, 0, 0);
}

void PostClick(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr)
        Fail("button " + std::to_string(id), "a control", "none");
    PostMessageW(button, BM_CLICK, 0, 0);
}

// Whether the shell holds the program's tray icon: modifying an icon it does not hold fails.
bool TrayIconPresent() {
    HWND tray = FindWindowW(QUORVEL_CLASS_TRAY, nullptr);
    if (tray == nullptr)
        return false;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = tray;
    data.uID = QUORVEL_TRAY_ID;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void ExpectTrayIcon(const char* what, bool present) {
    if (!WaitFor([&] { return TrayIconPresent() == present; }, 5000))
        Fail(what, present ? "tray icon present" : "no tray icon",
             present ? "no tray icon" : "tray icon present");
}

// Right-clicks the tray icon (its callback, as the shell sends it) and picks the menu's
// first item, "&Open Window", with the keyboard.
void OpenWindowFromTray() {
    HWND tray = FindWindowW(QUORVEL_CLASS_TRAY, nullptr);
    if (tray == nullptr)
        Fail("tray window", "present", "none");
    PostMessageW(tray, QUORVEL_TRAY_CALLBACK, QUORVEL_TRAY_ID, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    if (!WaitFor([&] { return (menu = FindTop(L"#32768")) != nullptr; }))
        Fail("the tray menu", "open", "not shown");
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    WaitGone("the tray menu", L"#32768");
}

// ---- the main window ---------------------------------------------------------------------

const std::wstring kMainCaption = L"Quorvel 1.5 52";
const std::wstring kLoginCaption = std::wstring(29, L' ') + L"Login";
const std::wstring kChangePassCaption = std::wstring(25, L' ') + L"Change Password";
const std::wstring kShippedPassword = L"Pelor";
const std::wstring kNewPassword = L"Secret 7";

struct PanelRow {
    int button;
    int panelId;
    const wchar_t* caption;
};

const PanelRow kPanelRows[] = {
    {1, IDC_PANEL_LOG, L"Process Log"},         {7, IDC_PANEL_PROCESS, L"Manage Process"},
    {9, IDC_PANEL_BLOCKED, L"Blocked Process"}, {11, IDC_PANEL_WHITE, L"Whitelist"},
    {10, IDC_PANEL_BLACK, L"Blacklist"},        {3, IDC_PANEL_SETTINGS, L"Settings"},
    {0, IDC_PANEL_OVERVIEW, L"Overview"},
};

const int kAllPanels[] = {IDC_PANEL_OVERVIEW, IDC_PANEL_LOG,     IDC_PANEL_SETTINGS,
                          IDC_PANEL_PROCESS,  IDC_PANEL_BLOCKED, IDC_PANEL_BLACK,
                          IDC_PANEL_WHITE,    IDC_PANEL_DETAILS};

void ExpectPanel(HWND main, int panelId, const wchar_t* caption) {
    HWND panel = GetDlgItem(main, panelId);
    if (!WaitFor([&] { return Visible(panel); }, 5000))
        Fail(Narrow(caption) + " panel", "visible", "hidden");
    for (int other : kAllPanels)
        if (other != panelId && Visible(GetDlgItem(main, other)))
            Fail(Narrow(caption) + " panel", "the only panel shown",
                 "also " + Narrow(Text(GetDlgItem(GetDlgItem(main, other), IDC_PANEL_FRAME))));
    ExpectText("panel frame", GetDlgItem(panel, IDC_PANEL_FRAME), caption);
}

HWND MainWindow() {
    return WaitForTop("main window", QUORVEL_CLASS_MAIN, kMainCaption);
}

void Navigation(HWND main) {
    Step("navigation between the panels");
    ExpectText("nav button 7", GetDlgItem(main, IDC_CMDBUTTON_0 + 7), L"Manage Processes");
    for (const PanelRow& row : kPanelRows) {
        Click(main, IDC_CMDBUTTON_0 + row.button);
        ExpectPanel(main, row.panelId, row.caption);
    }
    HWND overview = GetDlgItem(main, IDC_PANEL_OVERVIEW);
    ExpectText("the machine label", GetDlgItem(overview, IDC_LBLMACHINE), L"64 Bit machine");
    Click(GetDlgItem(main, IDC_PANEL_BLOCKED), IDC_UC7MOREINFOJAIL);
    ExpectPanel(main, IDC_PANEL_DETAILS, L"Process Details");
    Click(GetDlgItem(main, IDC_PANEL_DETAILS), IDC_CMDBACK);
    ExpectPanel(main, IDC_PANEL_OVERVIEW, L"Overview");

    Step("About from the navigation");
    Click(main, IDC_CMDBUTTON_0 + 5);
    HWND about = WaitForTop("About", QUORVEL_CLASS_ABOUT, L"About Quorvel");
    ExpectText("About's version", GetDlgItem(about, IDC_LBLVERSION), L"Version 1.5.52");
    Click(about, IDOK);
    WaitGone("About after OK", QUORVEL_CLASS_ABOUT);

    Step("Change Password from the Settings panel: cancelled, refused empty, then saved");
    Click(main, IDC_CMDBUTTON_0 + 3);
    Click(GetDlgItem(main, IDC_PANEL_SETTINGS), IDC_CMDBUTTON_4);
    HWND change = WaitForTop("Change Password", QUORVEL_CLASS_CHANGEPASS, kChangePassCaption);
    ExpectText("Change Password's note", GetDlgItem(change, IDC_LBLNOTE),
               L"Make a strong password for your safety, Max 15 characters");
    Click(change, IDCANCEL);
    WaitGone("Change Password after Cancel", QUORVEL_CLASS_CHANGEPASS);

    Click(GetDlgItem(main, IDC_PANEL_SETTINGS), IDC_CMDBUTTON_4);
    change = WaitForTop("Change Password", QUORVEL_CLASS_CHANGEPASS, kChangePassCaption);
    PostClick(change, IDC_CMDGANTI);
    HWND box = WaitForTop("the empty password's message", L"#32770", L"Warning");
    ExpectText("the empty password's message", GetDlgItem(box, QUORVEL_MSGBOX_TEXT_ID),
               L"The Password can't be empty");
    PostClick(box, IDOK);
    if (!WaitFor([&] { return !IsWindow(box); }))
        Fail("the message after OK", "closed", "open");

    SetDlgItemTextW(change, IDC_TEXT1_PASS, kNewPassword.c_str());
    PostClick(change, IDC_CMDGANTI);
    box = WaitForTop("the saved password's message", L"#32770", L"Quorvel | Protect and Defend");
    ExpectText("the saved password's message", GetDlgItem(box, QUORVEL_MSGBOX_TEXT_ID),
               L"Password has been saved \r\nYour current password is : " + kNewPassword);
    PostClick(box, IDOK);
    WaitGone("Change Password after Change Now", QUORVEL_CLASS_CHANGEPASS);
    Click(main, IDC_CMDBUTTON_0 + 0);
}

void MinimiseToTray(HWND main) {
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!WaitFor([&] { return !Visible(main); }))
        Fail("the minimised main window", "hidden", "visible");
    ExpectTrayIcon("after minimising", true);
}

void ExpectMainHidden(HWND main, const char* when) {
    if (Visible(main))
        Fail(std::string("the main window ") + when, "not shown", "shown");
}

void Login(HWND main, const std::wstring& password) {
    Step("minimise into the tray; its menu opens the login");
    MinimiseToTray(main);
    Step("a restarted notification area gets the icon again");
    HWND tray = FindWindowW(QUORVEL_CLASS_TRAY, nullptr);
    NOTIFYICONDATAW gone{};
    gone.cbSize = sizeof(gone);
    gone.hWnd = tray;
    gone.uID = QUORVEL_TRAY_ID;
    Shell_NotifyIconW(NIM_DELETE, &gone);
    ExpectTrayIcon("after the shell dropped it", false);
    PostMessageW(tray, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ExpectTrayIcon("after TaskbarCreated", true);
    OpenWindowFromTray();
    HWND login = WaitForTop("login", QUORVEL_CLASS_LOGIN, kLoginCaption);
    ExpectMainHidden(main, "while the login is open");
    ExpectTrayIcon("while the login is open", false);
    ExpectText("login's default password", GetDlgItem(login, IDC_LBLDEFAULT), kShippedPassword);

    Step("a wrong password");
    // The shipped password in other case; once changed, the shipped password itself.
    const std::wstring wrong = password == kShippedPassword ? L"pelor" : kShippedPassword;
    SetDlgItemTextW(login, IDC_TXTPASSWORD, wrong.c_str());
    PostClick(login, IDC_CMD_LOGIN);
    HWND box = WaitForTop("the wrong-password message", L"#32770", L"Quorvel | Proctet and Defend");
    ExpectText("the wrong-password message", GetDlgItem(box, QUORVEL_MSGBOX_TEXT_ID),
               L"Wrong Password,please contact your Administrator");
    ExpectMainHidden(main, "behind the message");
    PostClick(box, IDOK);
    if (!WaitFor([&] { return !IsWindow(box); }))
        Fail("the message after OK", "closed", "open");
    if (!Visible(login))
        Fail("the login after a wrong password", "still open", "closed");
    ExpectMainHidden(main, "after a wrong password");

    Step("cancel");
    PostClick(login, IDCANCEL);
    WaitGone("the login after Cancel", QUORVEL_CLASS_LOGIN);
    ExpectTrayIcon("after Cancel", true);
    Sleep(300);
    ExpectMainHidden(main, "after Cancel");

    Step("the right password");
    OpenWindowFromTray();
    login = WaitForTop("login", QUORVEL_CLASS_LOGIN, kLoginCaption);
    SetDlgItemTextW(login, IDC_TXTPASSWORD, password.c_str());
    PostClick(login, IDC_CMD_LOGIN);
    if (!WaitFor([&] { return Visible(main) && !IsIconic(main); }))
        Fail("the main window after the right password", "shown", "hidden");
    WaitGone("the login after the right password", QUORVEL_CLASS_LOGIN);
    ExpectTrayIcon("with the main window shown", false);
}

void SendTrayMessage(HWND main, const std::string& text) {
    COPYDATASTRUCT data{};
    data.dwData = QUORVEL_COPYDATA_TRAYMSG;
    data.cbData = DWORD(text.size());
    data.lpData = const_cast<char*>(text.data());
    SendMessageW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void Popup(HWND main) {
    Step("the popup rests at the bottom right of the work area and closes by itself");
    const ULONGLONG started = GetTickCount64();
    SendTrayMessage(main, "WARNING\nNew process detected : notepad.exe");
    HWND popup = WaitForTop("popup", QUORVEL_CLASS_TRAYMSG, L"WARNING");
    ExpectText("popup message", GetDlgItem(popup, IDC_TRAYMSG_MESSAGE),
               L"New process detected : notepad.exe");
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const auto pixels = [](int twips, int dpi) { return (twips * dpi + 720) / 1440; };
    const RECT expected{area.right - pixels(4605, dpiX), area.bottom - pixels(2700, dpiY),
                        area.right, area.bottom - pixels(2700, dpiY) + pixels(2715, dpiY)};
    RECT rest{};
    const auto rectText = [](const RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right) + "," + std::to_string(r.bottom);
    };
    if (!WaitFor([&] { return GetWindowRect(popup, &rest) && EqualRect(&rest, &expected); }))
        Fail("the popup at rest", rectText(expected), rectText(rest));
    // The hold is 3 s after the slide, the countdown about half a second more.
    if (!WaitFor([&] { return !IsWindow(popup); }, 20000))
        Fail("the popup", "closed by itself", "still open");
    const ULONGLONG seconds = (GetTickCount64() - started) / 1000;
    if (seconds < 3)
        Fail("the popup's time on screen", "at least the 3 s hold", std::to_string(seconds));
    std::printf("driver: the popup rested at %s (%d dpi) and was up for about %llu s\n",
                rectText(rest).c_str(), dpiY, seconds);
}

// ---- screenshots -------------------------------------------------------------------------

void SaveBmp(HWND window, const std::wstring& path) {
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = DWORD((width * 3 + 3) & ~3);
    const DWORD size = stride * DWORD(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + size;
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        fwrite(&file, sizeof(file), 1, out);
        fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out);
        fwrite(bits, 1, size, out);
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

void Shoot(HWND window, const std::wstring& folder, const wchar_t* name) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(700);
    SaveBmp(window, folder + L"\\" + name + L".bmp");
    std::printf("driver: shot %s\n", Narrow(name).c_str());
}

void Screenshots(const std::wstring& folder) {
    HWND main = MainWindow();
    const struct {
        int button;
        const wchar_t* name;
    } panels[] = {{1, L"main-process-log"}, {7, L"main-manage-process"}, {9, L"main-blocked"},
                  {11, L"main-whitelist"},  {10, L"main-blacklist"},     {3, L"main-settings"},
                  {0, L"main-overview"}};
    for (const auto& panel : panels) {
        Click(main, IDC_CMDBUTTON_0 + panel.button);
        Shoot(main, folder, panel.name);
    }
    Click(GetDlgItem(main, IDC_PANEL_BLOCKED), IDC_UC7MOREINFOJAIL);
    Shoot(main, folder, L"main-details");
    Click(GetDlgItem(main, IDC_PANEL_DETAILS), IDC_CMDBACK);

    Click(main, IDC_CMDBUTTON_0 + 5);
    HWND about = WaitForTop("About", QUORVEL_CLASS_ABOUT, L"About Quorvel");
    Shoot(about, folder, L"about");
    Click(about, IDOK);

    Click(main, IDC_CMDBUTTON_0 + 3);
    Click(GetDlgItem(main, IDC_PANEL_SETTINGS), IDC_CMDBUTTON_4);
    HWND change = WaitForTop("Change Password", QUORVEL_CLASS_CHANGEPASS, kChangePassCaption);
    Shoot(change, folder, L"change-password");
    Click(change, IDCANCEL);
    Click(main, IDC_CMDBUTTON_0 + 0);

    MinimiseToTray(main);
    OpenWindowFromTray();
    HWND login = WaitForTop("login", QUORVEL_CLASS_LOGIN, kLoginCaption);
    SetDlgItemTextW(login, IDC_TXTPASSWORD, L"wrong");
    Shoot(login, folder, L"login");
    PostClick(login, IDC_CMD_LOGIN);
    HWND box = WaitForTop("message", L"#32770", L"Quorvel | Proctet and Defend");
    Shoot(box, folder, L"login-wrong-password");
    PostClick(box, IDOK);
    WaitFor([&] { return !IsWindow(box); });
    SetDlgItemTextW(login, IDC_TXTPASSWORD, L"Pelor");
    PostClick(login, IDC_CMD_LOGIN);
    WaitFor([&] { return Visible(main); });

    SendTrayMessage(main, "WARNING\nNew process detected : notepad.exe");
    HWND popup = WaitForTop("popup", QUORVEL_CLASS_TRAYMSG, L"WARNING");
    Sleep(2500); // at rest
    SaveBmp(popup, folder + L"\\popup.bmp");
    Step("shot popup");
    // The popup over the corner of the whole screen, taskbar and all.
    SaveBmp(GetDesktopWindow(), folder + L"\\desktop.bmp");
    Step("shot desktop");
}

// ---- the start-up figure -----------------------------------------------------------------

// Milliseconds from CreateProcess to a visible window of the class and caption; then closes
// it and waits for the program to end.
double TimeToWindow(const std::wstring& commandLine, const wchar_t* className,
                    const std::wstring& caption) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    LARGE_INTEGER frequency{}, begin{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        Fail("starting " + Narrow(commandLine), "a process", std::to_string(GetLastError()));
    HWND window = nullptr;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while ((window = FindTop(className, &caption)) == nullptr) {
        if (GetTickCount64() > deadline)
            Fail("the window of " + Narrow(commandLine), Narrow(caption), "none in 60 s");
        Sleep(1);
    }
    QueryPerformanceCounter(&end);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
        Fail(Narrow(commandLine), "ended after WM_CLOSE", "still running");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return double(end.QuadPart - begin.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void StartupFigure(int runs, const std::wstring& quorvel, const std::wstring& data,
                   const std::wstring& empty) {
    std::vector<double> program, yardstick;
    for (int i = 0; i < runs; ++i) {
        yardstick.push_back(TimeToWindow(L"\"" + empty + L"\"", L"#32770", L"Empty"));
        program.push_back(TimeToWindow(L"\"" + quorvel + L"\" --data \"" + data + L"\"",
                                       QUORVEL_CLASS_MAIN, kMainCaption));
    }
    const double p = Median(program), e = Median(yardstick);
    std::printf("start-up to the window shown, median of %d runs: quorvel.exe %.0f ms, empty "
                "dialog %.0f ms, ratio %.2f (goal at most 1.50)\n",
                runs, p, e, p / e);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Pixels as the screen has them, like the program's, whatever the display's DPI.
    SetProcessDPIAware();
    const std::wstring command = argc > 1 ? argv[1] : L"gui";
    if (command == L"shoot" && argc > 2) {
        Screenshots(argv[2]);
        return 0;
    }
    if (command == L"startup" && argc > 5) {
        StartupFigure(_wtoi(argv[2]), argv[3], argv[4], argv[5]);
        return 0;
    }
    if (command == L"second-copy") {
        Step("a second copy says the program runs already");
        HWND box = WaitForTop("the second copy's message", L"#32770", L"Quorvel");
        ExpectText("the second copy's message", GetDlgItem(box, QUORVEL_MSGBOX_TEXT_ID),
                   L"Quorvel is already running on your system");
        PostClick(box, IDOK);
        return 0;
    }
    HWND main = MainWindow();
    if (command == L"close") {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == L"login") {
        Login(main, kShippedPassword);
        return 0;
    }
    if (command == L"popup") {
        Popup(main);
        return 0;
    }
    Navigation(main); // changes the password
    Login(main, kNewPassword);
    Popup(main);
    Step("all checks passed");
    return 0;
}
