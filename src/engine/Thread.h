#pragma once
// The engine's worker thread: Start runs the virtual Run on a new thread, Stop asks it to
// end and joins it.
#include <atomic>
#include <cstdint>

#include "platform/Notify.h"
#include "platform/Thread.h"

class CThread {
public:
    CThread() = default;
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Clears the stop flag and starts Run; false when no thread could be created.
    bool Start(platform::NotifyTarget notify);
    // Sets the stop flag and waits for Run to return.
    void Stop();
    bool SetPriority(int priority);
    bool IsRunning() const { return m_running.load() != 0; }

protected:
    virtual unsigned Run();
    bool StopRequested() const { return m_stop.load() != 0; }
    // Ends the run from inside, as at end of play.
    void RequestStop() { m_stop.store(1); }

    platform::NotifyTarget m_notify = nullptr;

private:
    static unsigned Routine(void* self);

    platform::Thread m_thread;
    std::atomic<int32_t> m_stop{0};
    std::atomic<int32_t> m_running{0};
};
