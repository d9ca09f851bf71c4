#pragma once
// The devices only the Windows build has: wave-out.
#include <cstdint>

#include "output/win32/WinMMEOut.h"

struct PlatformDevices {
    CAudioDevice* ForSelection(int32_t outputDeviceSel) { return outputDeviceSel == 0 ? &mme : nullptr; }

    CWinMMEOut mme;
};
