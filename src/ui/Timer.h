#pragma once
// A periodic multimedia timer that posts a message to a window on every tick, with the
// timer's id as wParam. The system calls back on its own timer thread, where posting is
// what is safe against the interface thread: the window does the work on its own thread,
// and asks IsTick first, so a tick that a stopped or restarted timer left in the queue is
// dropped.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>

class CTimer {
public:
    CTimer(UINT message, UINT resolution) : m_message(message), m_resolution(resolution) {}
    ~CTimer() { Stop(); }
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    // Ticks go to target; restarts a running timer. FALSE when the system gives no timer.
    BOOL Start(HWND target, UINT period);
    // FALSE when the system refuses; the timer then counts as running.
    BOOL Stop();
    BOOL IsRunning() const { return m_id != 0; }
    // Whether a posted tick, by its wParam, comes from this timer as it runs now.
    BOOL IsTick(WPARAM id) const { return IsRunning() && id == m_id; }

private:
    static void CALLBACK Post(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    const UINT m_message;
    const UINT m_resolution;
    std::atomic<HWND> m_target{nullptr};  // read on the timer thread
    UINT m_id = 0;
};
