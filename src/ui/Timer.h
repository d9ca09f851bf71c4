#pragma once
// A periodic multimedia timer. Its callback runs on the system's timer thread, so what it
// does there must be safe against the interface thread (posting a message is).
#include <windows.h>
#include <mmsystem.h>

class CTimer {
public:
    CTimer(LPTIMECALLBACK callback, DWORD_PTR user, UINT resolution)
        : m_callback(callback), m_user(user), m_resolution(resolution) {}
    ~CTimer() { Stop(); }
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    // Restarts a running timer; FALSE when the system gives no timer.
    BOOL Start(UINT period);
    // FALSE when the system refuses; the timer then counts as running.
    BOOL Stop();
    BOOL IsRunning() const { return m_id != 0; }
    // The id the callback is called with; 0 when not running.
    UINT Id() const { return m_id; }

private:
    LPTIMECALLBACK m_callback;
    DWORD_PTR m_user;
    UINT m_resolution;
    UINT m_id = 0;
};
