#include "win32gui/MainWindow.h"

#include "win32gui/Resource.h"

#include <algorithm>
#include <iterator>

namespace quorvel::win32gui {

namespace {

constexpr UINT kMinimisedMessage = WM_APP + 1;
constexpr COLORREF kBandColour = RGB(0x1f, 0x3b, 0x63);

struct PanelTemplate {
    desktop::Panel panel;
    int templateId;
    int controlId;
};

constexpr PanelTemplate kPanels[] = {
    {desktop::Panel::Overview, IDD_PANEL_OVERVIEW, IDC_PANEL_OVERVIEW},
    {desktop::Panel::ProcessLog, IDD_PANEL_LOG, IDC_PANEL_LOG},
    {desktop::Panel::Settings, IDD_PANEL_SETTINGS, IDC_PANEL_SETTINGS},
    {desktop::Panel::ManageProcess, IDD_PANEL_PROCESS, IDC_PANEL_PROCESS},
    {desktop::Panel::Blocked, IDD_PANEL_BLOCKED, IDC_PANEL_BLOCKED},
    {desktop::Panel::Blacklist, IDD_PANEL_BLACK, IDC_PANEL_BLACK},
    {desktop::Panel::Whitelist, IDD_PANEL_WHITE, IDC_PANEL_WHITE},
    {desktop::Panel::ProcessDetails, IDD_PANEL_DETAILS, IDC_PANEL_DETAILS},
};

constexpr int kBandLabels[] = {IDC_LBLTITLE, IDC_LBLSUBTITLE, IDC_LBLTOTALBLOCKEDCAPTION,
                               IDC_LBLBLOCKED_0};
// Value labels the Parts show bold.
constexpr int kBoldLabels[] = {IDC_LBLSTATISTIC,      IDC_LBLTOTALDETECT, IDC_LBLAKTIFPROSES,
                               IDC_LBLLASTBLOK,       IDC_LBLCOPYWHITE,   IDC_LABEL41,
                               IDC_LBLCOPYBLACK,      IDC_LBLMONITOR,     IDC_LBLMODE,
                               IDC_LBLREGMON,         IDC_LBLPROCRUN,     IDC_LBLMODULECOUNT,
                               IDC_LBLJAILPID,        IDC_LBLTIME,        IDC_LBLLTIME,
                               IDC_LBLPREVATTEMPTS,   IDC_LBLBLOCKED_1,   IDC_LBLBLACKCOUNT_0,
                               IDC_LBLTRUSTEDCOUNT_8, IDC_LBLPROCNAME,    IDC_LBLPROCID};

} // namespace

INT_PTR PanelDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        SendMessageW(GetParent(hwnd()), WM_COMMAND, wParam, lParam);
        return TRUE;
    }
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORDLG)
        return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
    return FALSE;
}

MainWindow::MainWindow(HINSTANCE instance, HICON icon, Events events)
    : m_instance(instance), m_icon(icon), m_events(std::move(events)) {}

MainWindow::~MainWindow() {
    Destroy(); // the panels go with it
    DeleteObject(m_band);
    DeleteObject(m_titleFont);
    DeleteObject(m_boldFont);
}

bool MainWindow::Create() {
    return DialogWindow::Create(m_instance, IDD_MAIN, nullptr);
}

void MainWindow::SetMachineText(const std::string& text) {
    SetItemText(m_panels[0].hwnd(), IDC_LBLMACHINE, text);
}

void MainWindow::CreatePanels() {
    RECT area{104, 38, 104 + 410, 38 + 258};
    MapDialogRect(hwnd(), &area);
    for (size_t i = 0; i < std::size(kPanels); ++i) {
        PanelDialog& panel = m_panels[i];
        if (!panel.Create(m_instance, kPanels[i].templateId, hwnd()))
            continue;
        SetWindowLongPtrW(panel.hwnd(), GWLP_ID, kPanels[i].controlId);
        SetItemText(panel.hwnd(), IDC_PANEL_FRAME,
                    desktop::NavigationPresenter::PanelCaption(kPanels[i].panel));
        SetWindowPos(panel.hwnd(), nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
        for (int id : kBoldLabels)
            if (HWND label = panel.item(id))
                SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_boldFont), FALSE);
    }
    SetItemText(m_panels[0].hwnd(), IDC_TXTPROCREF, "0");
    SetItemText(m_panels[5].hwnd(), IDC_TEXT2, ".sample.exe");
    SetItemText(m_panels[6].hwnd(), IDC_TEXT1, ".sample.exe");
}

void MainWindow::ShowPanel(desktop::Panel panel) {
    for (size_t i = 0; i < std::size(kPanels); ++i)
        if (kPanels[i].panel != panel)
            ShowWindow(m_panels[i].hwnd(), SW_HIDE);
    for (size_t i = 0; i < std::size(kPanels); ++i)
        if (kPanels[i].panel == panel)
            ShowWindow(m_panels[i].hwnd(), SW_SHOW);
}

bool MainWindow::Command(int id) {
    if (id >= IDC_CMDBUTTON_0 &&
        id < IDC_CMDBUTTON_0 + desktop::NavigationPresenter::kButtonCount) {
        m_navigation.ButtonClicked(id - IDC_CMDBUTTON_0);
        return true;
    }
    switch (id) {
    case IDC_CMDBACK:
        m_navigation.BackToHomeClicked();
        return true;
    case IDC_UC7MOREINFOJAIL:
        m_navigation.MoreInfoClicked();
        return true;
    case IDCANCEL: // Escape would end the dialog's life: nothing to do
        return true;
    default:
        return false;
    }
}

INT_PTR MainWindow::CopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != QUORVEL_COPYDATA_TRAYMSG || data.lpData == nullptr)
        return FALSE;
    const std::string text(static_cast<const char*>(data.lpData), data.cbData);
    const size_t split = text.find('\n');
    m_events.trayMessage(text.substr(0, split),
                         split == std::string::npos ? std::string() : text.substr(split + 1));
    return TRUE;
}

INT_PTR MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        m_band = CreateSolidBrush(kBandColour);
        m_titleFont = MakeFont(hwnd(), 18, true);
        m_boldFont = MakeFont(hwnd(), 8.25, true);
        SendMessageW(item(IDC_LBLTITLE), WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont), FALSE);
        SendMessageW(item(IDC_LBLBLOCKED_0), WM_SETFONT, reinterpret_cast<WPARAM>(m_boldFont),
                     FALSE);
        RECT band{0, 0, 1, 34};
        MapDialogRect(hwnd(), &band);
        m_bandHeight = band.bottom;
        for (const desktop::NavigationButton& button : desktop::NavigationPresenter::Buttons())
            SetItemText(hwnd(), IDC_CMDBUTTON_0 + button.index, button.text);
        CreatePanels();
        ShowPanel(m_navigation.current());
        return TRUE;
    }
    case WM_ERASEBKGND: {
        auto dc = reinterpret_cast<HDC>(wParam);
        RECT client{};
        GetClientRect(hwnd(), &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        RECT band = client;
        band.bottom = m_bandHeight;
        FillRect(dc, &band, m_band);
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (std::find(std::begin(kBandLabels), std::end(kBandLabels), id) == std::end(kBandLabels))
            return FALSE;
        auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, kBandColour);
        return reinterpret_cast<INT_PTR>(m_band);
    }
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            PostMessageW(hwnd(), kMinimisedMessage, 0, 0);
        return FALSE;
    case kMinimisedMessage:
        if (IsIconic(hwnd()))
            m_events.minimised();
        return TRUE;
    case WM_COMMAND:
        return Command(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_CLOSE:
        m_events.closeRequested();
        return TRUE;
    case WM_COPYDATA:
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT,
                          CopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace quorvel::win32gui
