#pragma once
// The output device: a ring of equal blocks that Write fills one per call, played out by
// the device's own completion side (the wave-out callback, the ASIO buffer switch).
//
// Threads: the engine opens a device on the interface thread, then its worker calls
// Write, Reset, GetState and Pause (around a seek) while it runs; the interface thread
// calls Pause, GetState and GetPosition at any time, and Close after the worker has
// stopped. A device is opened and closed by one caller at a time; Close is safe on a
// device that is closed or failed to open.
#include <cstdint>
#include <string>

struct OutputParams {
    std::wstring deviceName;  // MME product name or ASIO driver name
    // In: the stored MME device id or ASIO output pair. Out: the one the device opened
    // (the MME device looks a moved device up by name); the caller keeps it.
    int32_t selection = 0;
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

enum : int { OpenFailed = 0, OpenDone = 1 };

// Write results besides the count of bytes taken.
enum : int { WriteFull = 0, WriteDrained = -1, WriteRefused = -2 };

enum : int { PauseFailed = 0, PauseDone = 1 };

class CAudioDevice {
public:
    CAudioDevice() = default;
    virtual ~CAudioDevice() = default;
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    // Interface thread, device closed. Prepares the ring for params' format and starts the
    // device; may correct deviceName, selection and bitsPerSample in params. OpenDone, with
    // the position 0 and no block queued; OpenFailed, mostly after a message box, with
    // nothing left open.
    virtual int Open(OutputParams& params) = 0;
    // Interface thread, worker stopped. Stops the device and frees the ring; GetState is
    // DeviceClosed afterwards.
    virtual void Close() = 0;
    // Worker, device open. Takes up to GetBlockBytes bytes into the next free block and
    // queues it: the count of bytes taken (only whole frames play). With bytes 0 or no
    // free block: WriteFull, or WriteDrained once nothing is queued. WriteRefused when the
    // device would not take the block; nothing is queued then.
    virtual int Write(const uint8_t* data, uint32_t bytes) = 0;
    // Any thread: a DeviceState; paused wins over open.
    virtual int GetState() = 0;
    // Any thread: non-zero pauses, zero resumes. PauseDone when the device did it,
    // PauseFailed when it is not open or its driver refused.
    virtual int Pause(int pause) = 0;
    // Any thread: frames heard since the base the last Reset set (0 after Open).
    virtual int GetPosition() = 0;
    // Worker, device open: drops every queued block and makes position the new base; a
    // paused device stays paused.
    virtual void Reset(int position) = 0;
    // After a successful Open: source bytes one block holds.
    virtual int GetBlockBytes() = 0;
};
