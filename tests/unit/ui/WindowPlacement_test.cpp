#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

const WindowRect kWork{0, 0, 1024, 738};  // a taskbar of 30 pixels at the bottom

TEST(PlaceInWorkArea, NothingStoredPutsTheWindowIntoTheBottomRightCorner) {
    // What the settings store when nothing was saved: the desktop's bottom-right corner.
    Placement p = PlaceInWorkArea({1024, 768, 0, 0}, kWork, 300, 200);
    EXPECT_TRUE(p.keepSize);
    EXPECT_EQ(p.x, 1024 - 300);
    EXPECT_EQ(p.y, 738 - 200);
}

TEST(PlaceInWorkArea, DefaultCornerDoesNotOverflow) {
    Placement p = PlaceInWorkArea({kDefaultPosition, kDefaultPosition, 500, 400}, {100, 50, 1124, 788}, 300, 200);
    EXPECT_TRUE(p.keepSize);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
    EXPECT_EQ(p.width, 300);
}

TEST(PlaceInWorkArea, StoredRectangleInsideIsKept) {
    Placement p = PlaceInWorkArea({10, 20, 310, 220}, kWork, 1, 1);
    EXPECT_FALSE(p.keepSize);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(p.width, 300);
    EXPECT_EQ(p.height, 200);
}

TEST(PlaceInWorkArea, SizeIsClampedBetweenTwentyAndTheWorkArea) {
    Placement tiny = PlaceInWorkArea({10, 10, 15, 12}, kWork, 1, 1);
    EXPECT_EQ(tiny.width, 20);
    EXPECT_EQ(tiny.height, 20);
    Placement huge = PlaceInWorkArea({-50, -50, 3000, 2000}, kWork, 1, 1);
    EXPECT_EQ(huge.width, 1024);
    EXPECT_EQ(huge.height, 738);
    EXPECT_EQ(huge.x, 0);
    EXPECT_EQ(huge.y, 0);
    // A reversed rectangle is a tiny one, not a negative size.
    Placement reversed = PlaceInWorkArea({300, 300, 100, 100}, kWork, 1, 1);
    EXPECT_EQ(reversed.width, 20);
}

TEST(PlaceInWorkArea, ShiftsBackFromEveryEdge) {
    // Left of a work area that starts at 100 (taskbar on the left): moved right.
    Placement left = PlaceInWorkArea({40, 100, 240, 200}, {100, 0, 1024, 768}, 1, 1);
    EXPECT_EQ(left.x, 100);
    // Off the right and the bottom: moved back by the excess, size kept.
    Placement off = PlaceInWorkArea({900, 700, 1100, 800}, kWork, 1, 1);
    EXPECT_EQ(off.x, 1024 - 200);
    EXPECT_EQ(off.y, 738 - 100);
    EXPECT_EQ(off.width, 200);
    // A window from a monitor that is gone lands on this one.
    Placement gone = PlaceInWorkArea({-1800, 100, -1500, 300}, kWork, 1, 1);
    EXPECT_EQ(gone.x, 0);
}

TEST(KeepOnScreen, DraggedPastLeftOrTopSnapsToZeroEvenWithAnOffsetWorkArea) {
    const WindowRect work{120, 40, 1024, 768};
    WindowRect r = KeepOnScreen({-30, -10, 170, 90}, work);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 100);
    // Inside the screen but left of the work area: left alone.
    r = KeepOnScreen({50, 10, 250, 110}, work);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 10);
}

TEST(KeepOnScreen, DraggedPastRightOrBottomIsPushedBackBeforeLeftIsChecked) {
    WindowRect r = KeepOnScreen({900, 700, 1100, 800}, kWork);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.left, 824);
    EXPECT_EQ(r.bottom, 738);
    // Wider than the work area: the right edge wins and the left may stay negative.
    r = KeepOnScreen({-10, 0, 1100, 100}, kWork);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.left, -86);
}

}  // namespace
