#include "desktop/NavigationPresenter.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace quorvel::desktop {
namespace {

class RecordingNavigation : public NavigationView {
public:
    void ShowPanel(Panel panel) override { shown.emplace_back(panel); }
    void OpenWindow(ToolWindow window) override { shown.emplace_back(window); }
    std::vector<std::variant<Panel, ToolWindow>> shown;
};

TEST(NavigationPresenter, EachButtonSwitchesItsPanelOrOpensItsWindow) {
    using Target = std::variant<Panel, ToolWindow>;
    const std::vector<Target> expected = {
        Panel::Overview,
        Panel::ProcessLog,
        ToolWindow::RegQuorvel,
        Panel::Settings,
        ToolWindow::ChangePassword,
        ToolWindow::About,
        ToolWindow::CheckForUpdates,
        Panel::ManageProcess,
        ToolWindow::Analyze,
        Panel::Blocked,
        Panel::Blacklist,
        Panel::Whitelist,
    };
    ASSERT_EQ(expected.size(), size_t(NavigationPresenter::kButtonCount));
    for (int index = 0; index < NavigationPresenter::kButtonCount; ++index) {
        RecordingNavigation view;
        NavigationPresenter navigation(view);
        navigation.ButtonClicked(index);
        ASSERT_EQ(view.shown.size(), 1u) << index;
        EXPECT_EQ(view.shown[0], expected[size_t(index)]) << index;
        if (const Panel* panel = std::get_if<Panel>(&expected[size_t(index)]))
            EXPECT_EQ(navigation.current(), *panel) << index;
        else
            EXPECT_EQ(navigation.current(), Panel::Overview) << "a window keeps the panel";
    }
}

TEST(NavigationPresenter, UnknownButtonsDoNothingAndDetailsLeadBackHome) {
    RecordingNavigation view;
    NavigationPresenter navigation(view);
    navigation.ButtonClicked(-1);
    navigation.ButtonClicked(12);
    EXPECT_TRUE(view.shown.empty());
    navigation.MoreInfoClicked();
    EXPECT_EQ(navigation.current(), Panel::ProcessDetails);
    navigation.BackToHomeClicked();
    EXPECT_EQ(navigation.current(), Panel::Overview);
}

TEST(NavigationPresenter, TheColumnHoldsEveryButtonButChangePasswordOnce) {
    std::set<int> indexes;
    for (const NavigationButton& button : NavigationPresenter::Buttons())
        EXPECT_TRUE(indexes.insert(button.index).second) << button.text;
    EXPECT_EQ(indexes.size(), size_t(NavigationPresenter::kButtonCount - 1));
    EXPECT_EQ(indexes.count(4), 0u);
}

} // namespace
} // namespace quorvel::desktop
