// Native time, threads, libraries, heap and notification.
#include <dlfcn.h>
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cstdlib>

#include "platform/Heap.h"
#include "platform/Library.h"
#include "platform/Notify.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "platform/Text.h"

namespace platform {

void SleepMs(uint32_t milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

uint32_t TickMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(ts.tv_sec * 1000ull + ts.tv_nsec / 1000000);
}

namespace {
struct Launch {
    Thread::Routine routine;
    void* arg;
};

void* Trampoline(void* p) {
    Launch launch = *static_cast<Launch*>(p);
    delete static_cast<Launch*>(p);
    launch.routine(launch.arg);
    return nullptr;
}
}  // namespace

Thread::~Thread() { Join(); }

bool Thread::Start(Routine routine, void* arg) {
    if (m_valid) return false;
    auto* launch = new Launch{routine, arg};
    pthread_t id;
    if (pthread_create(&id, nullptr, Trampoline, launch) != 0) {
        delete launch;
        return false;
    }
    m_id = id;
    m_valid = true;
    return true;
}

void Thread::Join() {
    if (!m_valid) return;
    pthread_join(static_cast<pthread_t>(m_id), nullptr);
    m_valid = false;
}

// Raising priority needs privileges natively; the request is accepted and ignored.
bool Thread::SetPriority(int) { return m_valid; }

bool Library::Load(const std::wstring& name) {
    Free();
    m_handle = dlopen(WideToUtf8(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    return m_handle != nullptr;
}

void* Library::Symbol(const char* name) const { return m_handle ? dlsym(m_handle, name) : nullptr; }

void Library::Free() {
    if (m_handle) dlclose(m_handle);
    m_handle = nullptr;
}

namespace {
std::atomic<uint64_t> g_heapAllocations{0};
}

void* HeapAllocZeroed(size_t bytes) {
    void* block = std::calloc(1, bytes ? bytes : 1);
    if (block) ++g_heapAllocations;
    return block;
}

void HeapFree(void* block) { std::free(block); }

uint64_t HeapAllocations() { return g_heapAllocations.load(); }

void SendNotify(NotifyTarget target, uint32_t message) {
    if (target) static_cast<NotifySink*>(target)->OnNotify(message);
}

}  // namespace platform
