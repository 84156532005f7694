#include "guard/GuardModes.h"

#include <gtest/gtest.h>

namespace quorvel::guard {
namespace {

TEST(GuardModes, TheBoxBeingSwitchedOnSpringsBackWhenTheOtherIsOn) {
    GuardModes modes;
    modes.SetChkjustwarnme(1);
    modes.SetChkauto(1);
    EXPECT_EQ(modes.chkauto(), 0);
    EXPECT_TRUE(modes.justNotify());

    GuardModes other;
    other.SetChkauto(1);
    other.SetChkjustwarnme(1);
    EXPECT_EQ(other.chkjustwarnme(), 0);
    EXPECT_TRUE(other.antiExe());
}

TEST(GuardModes, OnlyOneCountsAsOnAndBadValuesAreRefused) {
    GuardModes modes;
    modes.SetChkauto(2);
    EXPECT_EQ(modes.chkauto(), 2);
    EXPECT_FALSE(modes.antiExe());
    modes.SetChkjustwarnme(1); // grayed is not on: Just Notify stays
    EXPECT_TRUE(modes.justNotify());
    modes.SetChkjustwarnme(7);
    EXPECT_EQ(modes.chkjustwarnme(), 1);
    modes.SetChkjustwarnme(0);
    modes.SetChkauto(1);
    EXPECT_TRUE(modes.antiExe());
}

// The Mode label names the mode the guard acts on; a grayed box is not on.
TEST(GuardModes, ModeTextNamesTheModeInEffect) {
    GuardModes modes;
    EXPECT_EQ(modes.modeText(), "Alert - Default");
    modes.SetChkjustwarnme(1);
    EXPECT_EQ(modes.modeText(), "Just Notify");
    modes.SetChkjustwarnme(0);
    modes.SetChkauto(1);
    EXPECT_EQ(modes.modeText(), "Anti Executable");
    modes.SetChkauto(2);
    EXPECT_EQ(modes.modeText(), "Alert - Default");
}

} // namespace
} // namespace quorvel::guard
