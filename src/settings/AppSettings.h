#pragma once
// The program's one settings record. Field names are the registry value names.
#include <cstdint>
#include <string>

struct AppSettings {
    int32_t BufferTime = 2000;  // ms of audio per output block
    int32_t BufferBlocks = 4;
    int32_t OutputDeviceSel = 0;  // 0 MME, else ASIO
    // Low 16 bits: method index (0 triangle, 1 M sequence, 2 noise shaping);
    // high 16 bits: enabled.
    int32_t DitherType = 0;
    std::wstring MmeDeviceString;
    int32_t MmeDeviceID = -1;  // -1 is the wave mapper
    int32_t AsioOutputChannel = 0;
    int32_t ResolutionBits = 24;
    std::wstring AsioDriverString;

    // The device's dither code: 0 none, 1..3 the method index + 1.
    int32_t DitherCode() const { return ((DitherType & 0xFFFF) + 1) * ((DitherType >> 16) & 0xFFFF ? 1 : 0); }
};
