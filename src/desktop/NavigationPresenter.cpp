#include "desktop/NavigationPresenter.h"

namespace quorvel::desktop {

std::vector<NavigationButton> NavigationPresenter::Buttons() {
    return {{0, "Overview"},
            {1, "Process Log"},
            {7, "Manage Processes"},
            {9, "Blocked Process"},
            {11, "Configure Whitelist"},
            {10, "Configure Blacklist"},
            {3, "Settings"},
            {2, "Reg Quorvel"},
            {8, "Analyze"},
            {6, "Check For Updates"},
            {5, "About"}};
}

std::string NavigationPresenter::PanelCaption(Panel panel) {
    switch (panel) {
    case Panel::Overview:
        return "Overview";
    case Panel::ProcessLog:
        return "Process Log";
    case Panel::Settings:
        return "Settings";
    case Panel::ManageProcess:
        return "Manage Process";
    case Panel::Blocked:
        return "Blocked Process";
    case Panel::Blacklist:
        return "Blacklist";
    case Panel::Whitelist:
        return "Whitelist";
    case Panel::ProcessDetails:
        return "Process Details";
    }
    return {};
}

void NavigationPresenter::ButtonClicked(int index) {
    switch (index) {
    case 0:
        return Show(Panel::Overview);
    case 1:
        return Show(Panel::ProcessLog);
    case 2:
        return m_view.OpenWindow(ToolWindow::RegQuorvel);
    case 3:
        return Show(Panel::Settings);
    case 4:
        return m_view.OpenWindow(ToolWindow::ChangePassword);
    case 5:
        return m_view.OpenWindow(ToolWindow::About);
    case 6:
        return m_view.OpenWindow(ToolWindow::CheckForUpdates);
    case 7:
        return Show(Panel::ManageProcess);
    case 8:
        return m_view.OpenWindow(ToolWindow::Analyze);
    case 9:
        return Show(Panel::Blocked);
    case 10:
        return Show(Panel::Blacklist);
    case 11:
        return Show(Panel::Whitelist);
    default:
        return;
    }
}

void NavigationPresenter::Show(Panel panel) {
    m_current = panel;
    m_view.ShowPanel(panel);
}

} // namespace quorvel::desktop
