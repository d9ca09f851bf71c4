#include "ui/WindowPlacement.h"

#include <algorithm>

namespace {
// A span that starts before low moves right to it; otherwise one that ends past high moves
// left. A span longer than the range therefore keeps its start at low.
int64_t ShiftInto(int64_t start, int64_t length, int64_t low, int64_t high) {
    if (start < low) return low;
    if (start + length > high) return high - length;
    return start;
}

int64_t ClampSize(int64_t size, int64_t limit) { return std::min<int64_t>(std::max<int64_t>(size, 20), limit); }
}  // namespace

Placement PlaceInWorkArea(const WindowRect& stored, const WindowRect& workArea, int32_t currentWidth,
                          int32_t currentHeight) {
    Placement p{};
    // 64-bit throughout: a CW_USEDEFAULT corner is INT32_MIN, and shifting it would overflow.
    int64_t width, height;
    if (stored.left == kDefaultPosition || stored.top == kDefaultPosition || stored.right == 0 || stored.bottom == 0) {
        p.keepSize = true;
        width = currentWidth;
        height = currentHeight;
    } else {
        p.keepSize = false;
        width = ClampSize(int64_t{stored.right} - stored.left, int64_t{workArea.right} - workArea.left);
        height = ClampSize(int64_t{stored.bottom} - stored.top, int64_t{workArea.bottom} - workArea.top);
    }
    p.x = static_cast<int32_t>(ShiftInto(stored.left, width, workArea.left, workArea.right));
    p.y = static_cast<int32_t>(ShiftInto(stored.top, height, workArea.top, workArea.bottom));
    p.width = static_cast<int32_t>(width);
    p.height = static_cast<int32_t>(height);
    return p;
}

WindowRect KeepOnScreen(const WindowRect& proposed, const WindowRect& workArea) {
    WindowRect r = proposed;
    int32_t dx = 0, dy = 0;
    if (r.right > workArea.right) dx = workArea.right - r.right;
    else if (r.left < 0) dx = -r.left;
    if (r.bottom > workArea.bottom) dy = workArea.bottom - r.bottom;
    else if (r.top < 0) dy = -r.top;
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}
