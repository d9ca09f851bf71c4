// Native threads.
#include <pthread.h>

#include "platform/Thread.h"

namespace platform {

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

}  // namespace platform
