#include "desktop/ShellPresenter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::desktop {
namespace {

class RecordingShell : public ShellView {
public:
    void ShowMainWindow() override { calls.push_back("show main"), mainShown = true; }
    void HideMainWindow() override { calls.push_back("hide main"), mainShown = false; }
    void AddTrayIcon() override { calls.push_back("add icon"), ++icons; }
    void RemoveTrayIcon() override { calls.push_back("remove icon"), --icons; }
    void ShowLogin() override { calls.push_back("login"); }
    void ShowAbout() override { calls.push_back("about"); }
    void OpenTrayMenu(const std::vector<TrayMenuItem>& items) override {
        calls.push_back("menu");
        menu = items;
    }

    std::vector<std::string> calls;
    std::vector<TrayMenuItem> menu;
    bool mainShown = false;
    int icons = 0;
};

constexpr unsigned kMouseMove = 0x200, kLeftDown = 0x201, kLeftUp = 0x202, kLeftDouble = 0x203,
                   kRightDown = 0x204, kRightUp = 0x205, kRightDouble = 0x206, kMiddleDown = 0x207;

class ShellPresenterTest : public ::testing::Test {
protected:
    void FoldIntoTray() {
        shell.Started();
        shell.Minimised();
        view.calls.clear();
    }
    RecordingShell view;
    ShellPresenter shell{view, true};
};

TEST_F(ShellPresenterTest, MinimisingFoldsIntoTheTrayOnce) {
    shell.Started();
    shell.Minimised();
    shell.Minimised();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"show main", "hide main", "add icon"}));
    EXPECT_EQ(shell.state(), ShellState::InTray);
    EXPECT_EQ(view.icons, 1);
}

TEST(ShellPresenterNoTray, MinimisingWithoutANotificationAreaIsAnOrdinaryMinimise) {
    RecordingShell view;
    ShellPresenter shell(view, false);
    shell.Started();
    shell.Minimised();
    EXPECT_EQ(view.calls, std::vector<std::string>{"show main"});
    EXPECT_EQ(shell.state(), ShellState::Shown);
}

TEST_F(ShellPresenterTest, TrayMouseMessages) {
    struct Row {
        const char* name;
        unsigned message;
        std::vector<std::string> calls;
    };
    const std::vector<Row> rows = {
        {"right press opens the menu", kRightDown, {"menu"}},
        {"left double click opens About", kLeftDouble, {"about"}},
        {"right double click opens About", kRightDouble, {"about"}},
        {"move does nothing", kMouseMove, {}},
        {"left press does nothing", kLeftDown, {}},
        {"left release does nothing", kLeftUp, {}},
        {"right release does nothing", kRightUp, {}},
        {"middle button does nothing", kMiddleDown, {}},
    };
    FoldIntoTray();
    for (const Row& row : rows) {
        view.calls.clear();
        shell.TrayMouseMessage(row.message);
        EXPECT_EQ(view.calls, row.calls) << row.name;
    }
}

TEST_F(ShellPresenterTest, TrayMenuHasTheItemsInOrder) {
    FoldIntoTray();
    shell.TrayMouseMessage(kRightDown);
    ASSERT_EQ(view.menu.size(), 4u);
    EXPECT_EQ(view.menu[0].text, "&Open Window");
    EXPECT_TRUE(view.menu[1].separator);
    EXPECT_EQ(view.menu[2].text, "Check For Updates");
    EXPECT_EQ(view.menu[3].text, "About");
    EXPECT_EQ(view.menu[3].command, TrayCommand::About);
}

// The password prompt must lock the window: nothing of it is mapped until the password.
TEST_F(ShellPresenterTest, OpenWindowShowsOnlyThePromptUntilThePasswordIsRight) {
    FoldIntoTray();
    shell.TrayMenuChosen(TrayCommand::OpenWindow);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"login", "remove icon"}));
    EXPECT_FALSE(view.mainShown);
    EXPECT_EQ(shell.state(), ShellState::LoginOpen);

    shell.LoginAccepted();
    EXPECT_TRUE(view.mainShown);
    EXPECT_EQ(shell.state(), ShellState::Shown);
    EXPECT_EQ(view.icons, 0);
}

TEST_F(ShellPresenterTest, CancelLeavesOnlyTheTrayIcon) {
    FoldIntoTray();
    shell.TrayMenuChosen(TrayCommand::OpenWindow);
    shell.LoginCancelled();
    EXPECT_FALSE(view.mainShown);
    EXPECT_EQ(view.icons, 1);
    EXPECT_EQ(shell.state(), ShellState::InTray);
    // A late "accepted" from a prompt already cancelled opens nothing.
    shell.LoginAccepted();
    EXPECT_FALSE(view.mainShown);
}

TEST_F(ShellPresenterTest, OpenWindowTwiceShowsTheSamePrompt) {
    FoldIntoTray();
    shell.TrayMenuChosen(TrayCommand::OpenWindow);
    shell.TrayMenuChosen(TrayCommand::OpenWindow);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"login", "remove icon", "login"}));
    EXPECT_EQ(shell.state(), ShellState::LoginOpen);
}

TEST_F(ShellPresenterTest, OtherMenuItems) {
    FoldIntoTray();
    shell.TrayMenuChosen(TrayCommand::CheckForUpdates);
    EXPECT_TRUE(view.calls.empty());
    shell.TrayMenuChosen(TrayCommand::About);
    EXPECT_EQ(view.calls, std::vector<std::string>{"about"});
    EXPECT_EQ(shell.state(), ShellState::InTray);
}

TEST_F(ShellPresenterTest, TaskbarCreatedPutsTheIconBackOnlyWhenInTheTray) {
    shell.Started();
    shell.TaskbarCreated();
    EXPECT_EQ(view.icons, 0);
    shell.Minimised();
    shell.TaskbarCreated();
    EXPECT_EQ(view.calls.back(), "add icon");
    EXPECT_EQ(view.icons, 2); // the shell lost the first one
}

} // namespace
} // namespace quorvel::desktop
