// Windows threads.
#include <windows.h>
#include <objbase.h>
#include <process.h>

#include "platform/Thread.h"

namespace platform {

namespace {
struct Launch {
    Thread::Routine routine;
    void* arg;
};

// The routine runs in the multithreaded apartment: the drivers and decoders it calls may be
// COM objects that need COM on their caller's thread, and the thread pumps no messages.
unsigned __stdcall Trampoline(void* p) {
    Launch launch = *static_cast<Launch*>(p);
    delete static_cast<Launch*>(p);
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    unsigned code = launch.routine(launch.arg);
    if (com) CoUninitialize();
    _endthreadex(code);
    return code;
}
}  // namespace

Thread::~Thread() { Join(); }

bool Thread::Start(Routine routine, void* arg) {
    if (m_valid) return false;
    auto* launch = new Launch{routine, arg};
    uintptr_t handle = _beginthreadex(nullptr, 0, Trampoline, launch, 0, nullptr);
    if (handle == 0) {
        delete launch;
        return false;
    }
    m_handle = reinterpret_cast<void*>(handle);
    m_valid = true;
    return true;
}

void Thread::Join() {
    if (!m_valid) return;
    WaitForSingleObject(m_handle, INFINITE);
    CloseHandle(m_handle);
    m_handle = nullptr;
    m_valid = false;
}

bool Thread::SetPriority(int priority) { return m_valid && SetThreadPriority(m_handle, priority); }

}  // namespace platform
