// Windows time: the multimedia clock.
#include <windows.h>
#include <mmsystem.h>

#include "platform/Time.h"

namespace platform {

void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint32_t TickMs() { return timeGetTime(); }

}  // namespace platform
