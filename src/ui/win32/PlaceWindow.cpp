#include "ui/PlaceWindow.h"


namespace {
WindowRect WorkArea() {
    RECT w{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &w, 0);
    return {w.left, w.top, w.right, w.bottom};
}
}  // namespace

BOOL PlaceWindow(HWND window, const WindowRect& stored, UINT flags) {
    RECT current{};
    ::GetWindowRect(window, &current);
    Placement p = PlaceInWorkArea(stored, WorkArea(), current.right - current.left, current.bottom - current.top);
    if (p.keepSize) flags |= SWP_NOSIZE;
    return ::SetWindowPos(window, nullptr, p.x, p.y, p.width, p.height, flags);
}

void KeepMovingOnScreen(RECT* rect) {
    WindowRect r = KeepOnScreen({rect->left, rect->top, rect->right, rect->bottom}, WorkArea());
    *rect = {r.left, r.top, r.right, r.bottom};
}
