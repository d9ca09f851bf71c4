#pragma once
// One OS thread running a plain function. Start once, Join once. On Windows the function
// runs with COM initialised (multithreaded apartment).
#include <cstdint>

namespace platform {

// Thread priorities in the Win32 scale.
enum : int { ThreadPriorityNormal = 0, ThreadPriorityHighest = 2 };

class Thread {
public:
    using Routine = unsigned (*)(void* arg);

    Thread() = default;
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Start(Routine routine, void* arg);
    bool IsValid() const { return m_valid; }
    // Waits without time-out and releases the handle.
    void Join();
    bool SetPriority(int priority);

private:
    bool m_valid = false;
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    unsigned long m_id = 0;
#endif
};

}  // namespace platform
