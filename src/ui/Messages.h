#pragma once
// Every window message the program's windows send each other, above WM_APP, and the
// registered messages they listen for. All numbers live here, so no two can meet.
#include <cstdint>

constexpr uint32_t kAppMessageBase = 0x8000;  // WM_APP

// tray icon -> main dialog; lParam: the mouse message
constexpr uint32_t WM_TRAY_NOTIFY = kAppMessageBase + 0x00;
// icon page -> main dialog: the icon set changed
constexpr uint32_t WM_RELOAD_ICONS = kAppMessageBase + 0x01;
// engine worker -> main dialog, by SendNotifyMessageW: the file has played out; wParam:
// the number of the run that ended
constexpr uint32_t WM_PLAYER_END = kAppMessageBase + 0x02;
// drop frame -> time view; lParam: pointer to the new top-left point
constexpr uint32_t WM_DROPFRAME_MOVED = kAppMessageBase + 0x0A;
// time view -> main dialog; wParam: time view window; lParam: 1 docked, 0 floating
constexpr uint32_t WM_DOCK_TIMEVIEW = kAppMessageBase + 0x0B;
// time view -> main dialog: lay out again
constexpr uint32_t WM_RELAYOUT = kAppMessageBase + 0x0C;
// A multimedia timer's tick, sent from the timer thread to the window that owns the timer.
constexpr uint32_t WM_TRAY_TICK = kAppMessageBase + 0x20;      // wParam: the blink timer's id
constexpr uint32_t WM_CUE_DRAG_TICK = kAppMessageBase + 0x21;  // the drag auto-scroll
constexpr uint32_t WM_TIMEVIEW_TICK = kAppMessageBase + 0x22;  // the play time changed

// Names for RegisterWindowMessageW: the shell's taskbar came back; the tray's colour depth
// changed.
inline const wchar_t* const kTaskbarCreatedName = L"TaskbarCreated";
inline const wchar_t* const kTrayColorDepthChangedName = L"TasktrayColorDepthChanged";

namespace app_messages {
constexpr uint32_t kAll[] = {WM_TRAY_NOTIFY, WM_RELOAD_ICONS,  WM_PLAYER_END, WM_DROPFRAME_MOVED,
                             WM_DOCK_TIMEVIEW, WM_RELAYOUT, WM_TRAY_TICK,  WM_CUE_DRAG_TICK, WM_TIMEVIEW_TICK};

constexpr bool AllDistinct() {
    for (uint32_t a : kAll) {
        int same = 0;
        for (uint32_t b : kAll) same += a == b;
        if (same != 1) return false;
    }
    return true;
}
static_assert(AllDistinct(), "two window messages share a number");
}  // namespace app_messages
