#include <gtest/gtest.h>

#include "vision/controller/screenguard.h"

TEST(ScreenGuard, EachLetterTestsItsScreen)
{
    ScreenState plain;
    EXPECT_TRUE(ScreenGuardPasses(plain, "SARHCNO"));

    auto fails = [](void (*change)(ScreenState&), const char* letter) {
        ScreenState s;
        change(s);
        return !ScreenGuardPasses(s, letter) && ScreenGuardPasses(s, "");
    };
    EXPECT_TRUE(fails([](ScreenState& s) { s.settingsVisible = true; }, "S"));
    EXPECT_TRUE(fails([](ScreenState& s) { s.alarmPageVisible = true; }, "A"));
    EXPECT_TRUE(fails([](ScreenState& s) { s.regionPageVisible = true; }, "R"));
    EXPECT_TRUE(fails([](ScreenState& s) { s.alarmState = 2; }, "H"));
    EXPECT_TRUE(fails([](ScreenState& s) { s.changeCameraVisible = true; }, "C"));
    EXPECT_TRUE(fails([](ScreenState& s) { s.ioNameVisible = true; }, "N"));
    EXPECT_TRUE(fails([](ScreenState& s) { s.optionBarVisible = false; }, "O"));
}

TEST(ScreenGuard, OnlyTheNamedTestsCount)
{
    ScreenState s;
    s.alarmState = 2;            // alarm hold
    s.changeCameraVisible = true;
    EXPECT_TRUE(ScreenGuardPasses(s, "SAR"));
    EXPECT_FALSE(ScreenGuardPasses(s, "SARH"));
    s.alarmState = 3;            // an editing page: H passes
    EXPECT_TRUE(ScreenGuardPasses(s, "SARH"));
    EXPECT_FALSE(ScreenGuardPasses(s, "SARHC"));
    EXPECT_FALSE(ScreenGuardPasses(s, "X"));
}
