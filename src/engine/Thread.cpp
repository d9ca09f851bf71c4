#include "engine/Thread.h"

CThread::~CThread() { Stop(); }

unsigned CThread::Run() { return 0; }

unsigned CThread::Routine(void* self) { return static_cast<CThread*>(self)->Run(); }

bool CThread::Start(platform::NotifyTarget notify) {
    if (m_running.load()) return false;
    m_notify = notify;
    m_stop.store(0);
    if (!m_thread.Start(&CThread::Routine, this)) return false;
    m_running.store(1);
    return true;
}

void CThread::Stop() {
    m_stop.store(1);
    m_thread.Join();
    m_running.store(0);
}

bool CThread::SetPriority(int priority) { return m_thread.SetPriority(priority); }
