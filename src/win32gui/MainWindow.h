#pragma once

#include "desktop/NavigationPresenter.h"
#include "win32gui/DialogWindow.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace quorvel::win32gui {

// One panel of the main window: a child dialog whose commands go to the main window.
class PanelDialog : public DialogWindow {
public:
    bool Create(HINSTANCE instance, int templateId, HWND parent) {
        return DialogWindow::Create(instance, templateId, parent);
    }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// frmUtama: the title band, the navigation column and the panels beside it.
class MainWindow : public DialogWindow, public desktop::NavigationView {
public:
    struct Events {
        std::function<void()> minimised;
        std::function<void()> closeRequested;
        std::function<void(desktop::ToolWindow)> openWindow;
        std::function<void(const std::string&, const std::string&)> trayMessage;
    };

    MainWindow(HINSTANCE instance, HICON icon, Events events);
    ~MainWindow() override;

    bool Create();
    void SetMachineText(const std::string& text);

    void ShowPanel(desktop::Panel panel) override;
    void OpenWindow(desktop::ToolWindow window) override { m_events.openWindow(window); }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr int kPanelCount = 8;
    void CreatePanels();
    bool Command(int id);
    INT_PTR CopyData(const COPYDATASTRUCT& data);

    HINSTANCE m_instance;
    HICON m_icon;
    Events m_events;
    desktop::NavigationPresenter m_navigation{*this};
    std::array<PanelDialog, kPanelCount> m_panels;
    HBRUSH m_band = nullptr;
    HFONT m_titleFont = nullptr;
    HFONT m_boldFont = nullptr;
    int m_bandHeight = 0;
};

} // namespace quorvel::win32gui
