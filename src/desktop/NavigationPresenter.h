#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvel::desktop {

// The main window's panels, one shown at a time.
enum class Panel {
    Overview,
    ProcessLog,
    Settings,
    ManageProcess,
    Blocked,
    Blacklist,
    Whitelist,
    ProcessDetails,
};

// The windows the navigation opens beside the main window.
enum class ToolWindow { RegQuorvel, ChangePassword, About, CheckForUpdates, Analyze };

struct NavigationButton {
    int index = 0; // cmdbutton's element
    std::string text;
};

class NavigationView {
public:
    virtual ~NavigationView() = default;
    virtual void ShowPanel(Panel panel) = 0;
    virtual void OpenWindow(ToolWindow window) = 0;
};

// The twelve cmdbutton elements: each switches the panel or opens a window.
class NavigationPresenter {
public:
    static constexpr int kButtonCount = 12;

    explicit NavigationPresenter(NavigationView& view) : m_view(view) {}

    // In the order the column shows them; "Change Password" sits on the Settings panel.
    static std::vector<NavigationButton> Buttons();
    static std::string PanelCaption(Panel panel);

    void ButtonClicked(int index);
    void BackToHomeClicked() { Show(Panel::Overview); }
    void MoreInfoClicked() { Show(Panel::ProcessDetails); }

    Panel current() const { return m_current; }

private:
    void Show(Panel panel);

    NavigationView& m_view;
    Panel m_current = Panel::Overview;
};

} // namespace quorvel::desktop
