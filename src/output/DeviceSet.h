#pragma once
// The output devices, one object of each for the set's whole life; the output setting
// picks one. A device only one platform has comes from that platform's PlatformDevices
// (PlatformDevices.h in output/win32 or output/posix).
#include <cstdint>

#include "PlatformDevices.h"
#include "output/AudioDevice.h"

class CDeviceSet {
public:
    // The device for the output setting (0 MME, otherwise ASIO); null when this build has
    // no such device.
    CAudioDevice* ForSelection(int32_t outputDeviceSel) { return m_platform.ForSelection(outputDeviceSel); }

private:
    PlatformDevices m_platform;
};
