#pragma once
// The output device: a ring of equal blocks that Write fills one per call, played out by
// the device's own completion side.
#include <cstdint>
#include <string>

struct OutputParams {
    std::wstring deviceName;       // MME product name or ASIO driver name
    int32_t* selection = nullptr;  // the setting itself; the MME device may correct it
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0;  // the MME device may lower it to 16
    int32_t formatTag = 0;
    int32_t ditherType = 0;  // DitherType
    int32_t resolution = 0;  // word length the ASIO device reduces to
    int32_t bufferTime = 0;  // milliseconds per block
    int32_t blockCount = 0;
};

enum DeviceState : int { DeviceClosed = 0, DeviceOpen = 1, DevicePaused = 2 };

// Write results besides the count of bytes taken.
enum : int { WriteFull = 0, WriteDrained = -1, WriteRefused = -2 };

class CAudioDevice {
public:
    CAudioDevice() = default;
    virtual ~CAudioDevice() = default;
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    virtual int Open(OutputParams& params);
    virtual void Close();
    virtual int Write(const uint8_t* data, uint32_t bytes);
    virtual int GetState();
    virtual int Pause(int pause);
    virtual int GetPosition();
    virtual void Reset(int position);
    virtual int GetBlockBytes();
};
