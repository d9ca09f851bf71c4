// Windows time, threads, libraries, heap, notification and message boxes.
#include <windows.h>
#include <mmsystem.h>
#include <process.h>

#include <atomic>

#include "platform/Heap.h"
#include "platform/Library.h"
#include "platform/Notify.h"
#include "platform/Report.h"
#include "platform/Thread.h"
#include "platform/Time.h"

namespace platform {

void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint32_t TickMs() { return timeGetTime(); }

namespace {
struct Launch {
    Thread::Routine routine;
    void* arg;
};

unsigned __stdcall Trampoline(void* p) {
    Launch launch = *static_cast<Launch*>(p);
    delete static_cast<Launch*>(p);
    unsigned code = launch.routine(launch.arg);
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

bool Library::Load(const std::wstring& name) {
    Free();
    m_handle = LoadLibraryW(name.c_str());
    return m_handle != nullptr;
}

void* Library::Symbol(const char* name) const {
    return m_handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name)) : nullptr;
}

void Library::Free() {
    if (m_handle) FreeLibrary(static_cast<HMODULE>(m_handle));
    m_handle = nullptr;
}

namespace {
std::atomic<uint64_t> g_heapAllocations{0};
}

void* HeapAllocZeroed(size_t bytes) {
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
    if (block) ++g_heapAllocations;
    return block;
}

void HeapFree(void* block) {
    if (block) ::HeapFree(GetProcessHeap(), 0, block);
}

uint64_t HeapAllocations() { return g_heapAllocations.load(); }

void SendNotify(NotifyTarget target, uint32_t message) {
    if (target) SendNotifyMessageW(static_cast<HWND>(target), message, 0, 0);
}

int ShowReport(const std::wstring& text, const std::wstring& caption, uint32_t style) {
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace platform
