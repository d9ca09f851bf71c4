#include "ui/Timer.h"

BOOL CTimer::Start(UINT period) {
    if (IsRunning()) Stop();
    UINT id = timeSetEvent(period, m_resolution, m_callback, m_user, TIME_PERIODIC);
    if (id == 0) return FALSE;
    m_id = id;
    return TRUE;
}

BOOL CTimer::Stop() {
    if (timeKillEvent(m_id) != TIMERR_NOERROR) return FALSE;
    m_id = 0;
    return TRUE;
}
