#pragma once
// The per-thread message loop and the application module that keeps one loop per thread.
//
// A window that needs to see messages before they are dispatched (accelerators, dialog
// keyboard handling) registers a CMessageFilter with its thread's loop; the most recently
// registered filter is asked first, and the first that returns TRUE takes the message. A
// CIdleHandler runs, in registration order, once each time the queue becomes empty after
// a message that is not mouse movement, painting or the caret blink. Filters and handlers
// may be added or removed from inside the loop.
#include <windows.h>

#include <mutex>
#include <utility>
#include <vector>

class CMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    void AddMessageFilter(CMessageFilter* filter) { m_filters.push_back(filter); }
    void RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler) { m_idleHandlers.push_back(handler); }
    void RemoveIdleHandler(CIdleHandler* handler);

    // Until WM_QUIT; returns its wParam.
    int Run();

private:
    BOOL PreTranslateMessage(MSG* msg);
    void RunIdleHandlers();

    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};

class CAppModule {
public:
    // Records the instance and the calling thread as the main thread.
    void Init(HINSTANCE instance);
    void Term();

    HINSTANCE GetModuleInstance() const { return m_instance; }
    DWORD GetMainThreadId() const { return m_mainThreadId; }

    // The loop of the calling thread; one per thread.
    bool AddMessageLoop(CMessageLoop* loop);
    void RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

private:
    HINSTANCE m_instance = nullptr;
    DWORD m_mainThreadId = 0;
    mutable std::mutex m_lock;
    std::vector<std::pair<DWORD, CMessageLoop*>> m_loops;
};

extern CAppModule g_module;
