// Windows posts the notification to a window and does not wait for it.
#include <windows.h>

#include "platform/Notify.h"

namespace platform {

void SendNotify(NotifyTarget target, uint32_t message, uintptr_t param) {
    if (target) SendNotifyMessageW(static_cast<HWND>(target), message, param, 0);
}

}  // namespace platform
