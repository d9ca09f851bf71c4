#pragma once
#include <windows.h>

#include "ui/WindowPlacement.h"

// Puts window at the stored rectangle inside the work area (SetWindowPos with flags; a
// rectangle without a size keeps the window's own size).
BOOL PlaceWindow(HWND window, const WindowRect& stored, UINT flags);
// The rectangle of a window being dragged (WM_MOVING), held on the screen.
void KeepMovingOnScreen(RECT* rect);
