#include "app/TrayAnimation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Steps(CTrayAnimation& a, int count, bool usePauseIcon = false) {
    std::vector<int> icons;
    for (int i = 0; i < count; ++i) icons.push_back(a.Step(usePauseIcon));
    return icons;
}

TEST(TrayAnimation, PlayAlternatesNormalAndFlipStartingNormal) {
    CTrayAnimation a;
    EXPECT_TRUE(a.BeginPlay());
    EXPECT_EQ(Steps(a, 4), (std::vector<int>{TrayIconNormal, TrayIconFlip, TrayIconNormal, TrayIconFlip}));
}

TEST(TrayAnimation, PauseShowsBlinkOffFirstThenPauseIconOrNormal) {
    CTrayAnimation a;
    a.BeginPlay();
    a.Step(false);
    a.BeginPause();
    EXPECT_EQ(Steps(a, 3), (std::vector<int>{TrayIconBlinkOff, TrayIconNormal, TrayIconBlinkOff}));
    a.BeginPause();
    EXPECT_EQ(Steps(a, 3, true), (std::vector<int>{TrayIconBlinkOff, TrayIconPause, TrayIconBlinkOff}));
}

TEST(TrayAnimation, ResumeRestartsAtFlipAndKeepsTheTooltip) {
    CTrayAnimation a;
    a.BeginPlay();
    a.BeginPause();
    a.Step(true);
    a.Step(true);  // phase now points at the blink-off half
    EXPECT_FALSE(a.BeginPlay());
    EXPECT_EQ(Steps(a, 2), (std::vector<int>{TrayIconFlip, TrayIconNormal}));
    // Playing again while playing is a new play, not a resume.
    EXPECT_TRUE(a.BeginPlay());
}

TEST(TrayAnimation, StopForgetsThePauseSoTheNextPlayIsNew) {
    CTrayAnimation a;
    a.BeginPlay();
    a.BeginPause();
    a.Stop();
    EXPECT_TRUE(a.BeginPlay());
    EXPECT_EQ(a.Step(true), TrayIconNormal);
}

}  // namespace
