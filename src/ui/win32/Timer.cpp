#include "ui/Timer.h"

BOOL CTimer::Start(HWND target, UINT period) {
    if (IsRunning()) Stop();
    m_target = target;
    UINT id = timeSetEvent(period, m_resolution, Post, reinterpret_cast<DWORD_PTR>(this), TIME_PERIODIC);
    if (id == 0) return FALSE;
    m_id = id;
    return TRUE;
}

BOOL CTimer::Stop() {
    if (timeKillEvent(m_id) != TIMERR_NOERROR) return FALSE;
    m_id = 0;
    return TRUE;
}

void CALLBACK CTimer::Post(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    const auto* timer = reinterpret_cast<CTimer*>(user);
    ::PostMessageW(timer->m_target, timer->m_message, id, 0);
}
