#include "app/TrayAnimation.h"

bool CTrayAnimation::BeginPlay() {
    if (!m_paused) return true;
    m_paused = false;
    m_phase = 1;
    return false;
}

void CTrayAnimation::BeginPause() {
    m_paused = true;
    m_phase = 1;
}

void CTrayAnimation::Stop() {
    m_phase = 0;
    m_paused = false;
}

TrayIconIndex CTrayAnimation::Step(bool usePauseIcon) {
    if (m_phase == 1) {
        m_phase = 0;
        return m_paused ? TrayIconBlinkOff : TrayIconFlip;
    }
    m_phase = 1;
    return m_paused && usePauseIcon ? TrayIconPause : TrayIconNormal;
}
