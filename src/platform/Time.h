#pragma once
#include <cstdint>

namespace platform {

void SleepMs(uint32_t milliseconds);
// Milliseconds since an arbitrary start; wraps like the system tick.
uint32_t TickMs();

}  // namespace platform
