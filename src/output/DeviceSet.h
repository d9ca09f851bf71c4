#pragma once
// The output devices, one object of each for the set's whole life; the output setting
// picks one. A device only one platform has comes from that platform's PlatformDevices
// (PlatformDevices.h in output/win32 or output/posix). The ASIO device is on every
// platform: where no driver is installed, it fails to open.
#include <cstdint>

#include "PlatformDevices.h"
#include "output/AsioOut.h"
#include "output/AudioDevice.h"

class CDeviceSet {
public:
    // The device for the output setting (0 MME, otherwise ASIO); null when this build has
    // no such device.
    CAudioDevice* ForSelection(int32_t outputDeviceSel) {
        return outputDeviceSel != 0 ? &m_asio : m_platform.ForSelection(outputDeviceSel);
    }

private:
    PlatformDevices m_platform;
    CAsioOut m_asio;
};
