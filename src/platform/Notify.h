#pragma once
// Where the engine's worker reports to. On Windows the target is a window handle and the
// report is SendNotifyMessageW(target, message, param, 0); natively it is a NotifySink.
#include <cstdint>

namespace platform {

using NotifyTarget = void*;

class NotifySink {
public:
    virtual void OnNotify(uint32_t message, uintptr_t param) = 0;

protected:
    ~NotifySink() = default;
};

void SendNotify(NotifyTarget target, uint32_t message, uintptr_t param);

}  // namespace platform
