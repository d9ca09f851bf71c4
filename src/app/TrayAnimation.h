#pragma once
// Which tray icon shows when: the blink of a playing or paused file.
#include <cstdint>

enum TrayIconIndex : int { TrayIconNormal = 0, TrayIconFlip = 1, TrayIconPause = 2, TrayIconBlinkOff = 3 };

class CTrayAnimation {
public:
    // Play or resume. Returns true for a new play (not a resume), whose tooltip is shown
    // anew. A resume starts the play blink at the flip icon.
    bool BeginPlay();
    // The pause blink starts at the blink-off icon.
    void BeginPause();
    // Back to the normal icon; the next play starts with it.
    void Stop();

    // One step of the blink: the icon to show now. While playing, flip and normal take
    // turns; while paused, blink-off and either the pause icon (usePauseIcon) or normal.
    TrayIconIndex Step(bool usePauseIcon);

private:
    int32_t m_phase = 0;  // which half of the blink comes next
    bool m_paused = false;
};
