#pragma once
// The devices only the native build has: none.
#include <cstdint>

#include "output/AudioDevice.h"

struct PlatformDevices {
    CAudioDevice* ForSelection(int32_t) { return nullptr; }
};
