#include "access/LoginFlow.h"

#include <gtest/gtest.h>

namespace quorvel::access {
namespace {

bool Locked(const LockedView& view) {
    return !view.mainWindow && !view.tools;
}

TEST(LoginFlow, NothingOfTheMainWindowShowsBeforeTheRightPassword) {
    LoginFlow flow;
    EXPECT_TRUE(flow.view().mainWindow);
    EXPECT_FALSE(flow.view().trayIcon);

    ASSERT_TRUE(flow.Minimised(true));
    EXPECT_TRUE(Locked(flow.view()));
    EXPECT_TRUE(flow.view().trayIcon);

    ASSERT_TRUE(flow.OpenWindow());
    EXPECT_EQ(flow.place(), MainWindowPlace::AskingPassword);
    EXPECT_TRUE(Locked(flow.view()));
    EXPECT_TRUE(flow.view().login);
    EXPECT_FALSE(flow.view().trayIcon);
    EXPECT_TRUE(flow.OpenWindow()) << "asked again: the same prompt comes forward";
    EXPECT_TRUE(Locked(flow.view()));

    ASSERT_TRUE(flow.Cancelled());
    EXPECT_EQ(flow.place(), MainWindowPlace::InTray);
    EXPECT_TRUE(Locked(flow.view()));
    EXPECT_FALSE(flow.view().login);
    EXPECT_TRUE(flow.view().trayIcon);
    EXPECT_FALSE(flow.PasswordAccepted()) << "no prompt is open";
    EXPECT_TRUE(Locked(flow.view()));

    ASSERT_TRUE(flow.OpenWindow());
    ASSERT_TRUE(flow.PasswordAccepted());
    EXPECT_EQ(flow.place(), MainWindowPlace::Shown);
    EXPECT_TRUE(flow.view().mainWindow && flow.view().tools);
    EXPECT_FALSE(flow.view().login || flow.view().trayIcon);
}

TEST(LoginFlow, StepsThatDoNotFitThePlaceChangeNothing) {
    LoginFlow flow;
    EXPECT_FALSE(flow.OpenWindow());
    EXPECT_FALSE(flow.Cancelled());
    EXPECT_FALSE(flow.PasswordAccepted());
    EXPECT_EQ(flow.place(), MainWindowPlace::Shown);

    EXPECT_FALSE(flow.Minimised(false)) << "no notification area: an ordinary minimise";
    EXPECT_EQ(flow.place(), MainWindowPlace::Shown);

    ASSERT_TRUE(flow.Minimised(true));
    EXPECT_FALSE(flow.Minimised(true));
    ASSERT_TRUE(flow.OpenWindow());
    EXPECT_FALSE(flow.Minimised(true)) << "the hidden window cannot be minimised meanwhile";
    EXPECT_EQ(flow.place(), MainWindowPlace::AskingPassword);
}

} // namespace
} // namespace quorvel::access
