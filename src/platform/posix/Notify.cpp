// Natively the notify target is a sink called on the notifying thread.
#include "platform/Notify.h"

namespace platform {

void SendNotify(NotifyTarget target, uint32_t message, uintptr_t param) {
    if (target) static_cast<NotifySink*>(target)->OnNotify(message, param);
}

}  // namespace platform
