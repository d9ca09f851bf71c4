#pragma once
// Where a window goes so that it stays inside the work area of the screen.
#include <cstdint>

// A stored window rectangle. Zero right or bottom asks placement to keep the window's size.
struct WindowRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// A stored corner of CW_USEDEFAULT means "no stored position"; a right or bottom of 0,
// which the settings keep when nothing was saved, means "no stored size".
constexpr int32_t kDefaultPosition = INT32_MIN;

struct Placement {
    int32_t x, y, width, height;
    bool keepSize;  // the window keeps its own size (SWP_NOSIZE)
};

// The window at the stored rectangle, its size held between 20 pixels and the work area
// and shifted into the work area. Without a stored size the window keeps its current
// size, so a first start lands in the bottom-right corner of the work area.
Placement PlaceInWorkArea(const WindowRect& stored, const WindowRect& workArea, int32_t currentWidth,
                          int32_t currentHeight);

// A window being dragged, held on the screen: past the work area's right or bottom edge
// it is pushed back inside, past the left or top edge of the screen (0) it snaps to 0.
WindowRect KeepOnScreen(const WindowRect& proposed, const WindowRect& workArea);
