#include "ui/MessageLoop.h"

#include <algorithm>

CAppModule g_module;

namespace {
template <class T>
void Erase(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Messages after which the queue going empty is not a new idle period: mouse movement,
// painting and the caret blink would otherwise run the idle handlers all the time.
bool EndsIdlePeriod(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER, the caret blink
        return false;
    default:
        return true;
    }
}
}  // namespace

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { Erase(m_filters, filter); }

void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { Erase(m_idleHandlers, handler); }

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
    // Newest first; a filter may remove itself or others while it runs.
    for (size_t i = m_filters.size(); i-- > 0;) {
        if (i >= m_filters.size()) continue;
        if (m_filters[i]->PreTranslateMessage(msg)) return TRUE;
    }
    return FALSE;
}

void CMessageLoop::RunIdleHandlers() {
    for (size_t i = 0; i < m_idleHandlers.size(); ++i) m_idleHandlers[i]->OnIdle();
}

int CMessageLoop::Run() {
    bool idle = true;
    MSG msg{};
    for (;;) {
        if (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleHandlers();
            idle = false;
        }
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) return static_cast<int>(msg.wParam);
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (EndsIdlePeriod(msg)) idle = true;
    }
}

void CAppModule::Init(HINSTANCE instance) {
    m_instance = instance;
    m_mainThreadId = ::GetCurrentThreadId();
}

void CAppModule::Term() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_loops.clear();
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    std::lock_guard<std::mutex> hold(m_lock);
    DWORD thread = ::GetCurrentThreadId();
    for (const auto& entry : m_loops)
        if (entry.first == thread) return false;
    m_loops.emplace_back(thread, loop);
    return true;
}

void CAppModule::RemoveMessageLoop() {
    std::lock_guard<std::mutex> hold(m_lock);
    DWORD thread = ::GetCurrentThreadId();
    m_loops.erase(std::remove_if(m_loops.begin(), m_loops.end(), [thread](const auto& e) { return e.first == thread; }),
                  m_loops.end());
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
    std::lock_guard<std::mutex> hold(m_lock);
    for (const auto& entry : m_loops)
        if (entry.first == threadId) return entry.second;
    return nullptr;
}
