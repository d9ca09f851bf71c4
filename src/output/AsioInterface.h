#pragma once
// The ASIO driver interface as drivers implement it: a COM object whose 21 operations
// follow the three IUnknown slots, the records passed to them and the host's callbacks.
// The records are packed to 4 bytes on every architecture, as drivers are built; the
// driver's "long" is 32 bits on Windows, so it is int32_t here.
#include <cstdint>

#include "platform/ComUnknown.h"

using AsioBool = int32_t;
using AsioError = int32_t;
using AsioSampleRate = double;

enum : AsioError {
    AsioOk = 0,
    AsioSuccess = 0x3F4847A0,  // future() answers this for a supported selector
    AsioNotPresent = -1000,
    AsioHardwareMalfunction = -999,
    AsioInvalidParameter = -998,
    AsioInvalidMode = -997,
    AsioNotAdvancing = -996,
    AsioNoClock = -995,
    AsioNoMemory = -994,
};

// Sample types; the MSB forms are played like their LSB forms.
enum : int32_t {
    AsioInt16Msb = 0,
    AsioInt24Msb = 1,
    AsioInt32Msb = 2,
    AsioFloat32Msb = 3,
    AsioFloat64Msb = 4,
    AsioInt32Msb16 = 8,
    AsioInt32Msb18 = 9,
    AsioInt32Msb20 = 10,
    AsioInt32Msb24 = 11,
    AsioInt16Lsb = 16,
    AsioInt24Lsb = 17,
    AsioInt32Lsb = 18,
    AsioFloat32Lsb = 19,
    AsioFloat64Lsb = 20,
    AsioInt32Lsb16 = 24,
    AsioInt32Lsb18 = 25,
    AsioInt32Lsb20 = 26,
    AsioInt32Lsb24 = 27,
};

// Selectors of the host's message callback.
enum : int32_t {
    AsioSelectorSupported = 1,
    AsioEngineVersion = 2,
    AsioResetRequest = 3,
    AsioBufferSizeChange = 4,
    AsioResyncRequest = 5,
    AsioLatenciesChanged = 6,
    AsioSupportsTimeInfo = 7,
    AsioSupportsTimeCode = 8,
    AsioMmcCommand = 9,
    AsioSupportsInputMonitor = 10,
};

// Flags of AsioTimeInfo.
enum : uint32_t { AsioSystemTimeValid = 1, AsioSamplePositionValid = 2, AsioSampleRateValid = 4 };

#pragma pack(push, 4)

// A 64-bit count as the interface carries it: two halves, the high one first.
struct AsioSamples {
    uint32_t hi;
    uint32_t lo;
};
using AsioTimeStamp = AsioSamples;

inline int64_t AsioToInt64(const AsioSamples& s) {
    return static_cast<int64_t>((static_cast<uint64_t>(s.hi) << 32) | s.lo);
}

struct ASIODriverInfo {
    int32_t asioVersion;
    int32_t driverVersion;
    char name[32];
    char errorMessage[124];
    void* sysRef;
};

struct ASIOClockSource {
    int32_t index;
    int32_t associatedChannel;
    int32_t associatedGroup;
    AsioBool isCurrentSource;
    char name[32];
};

struct ASIOChannelInfo {
    int32_t channel;
    AsioBool isInput;
    AsioBool isActive;
    int32_t channelGroup;
    int32_t type;
    char name[32];
};

struct ASIOBufferInfo {
    AsioBool isInput;
    int32_t channelNum;
    void* buffers[2];
};

struct AsioTimeInfo {
    double speed;
    AsioTimeStamp systemTime;
    AsioSamples samplePosition;
    AsioSampleRate sampleRate;
    uint32_t flags;
    char reserved[12];
};

struct ASIOTimeCode {
    double speed;
    AsioSamples timeCodeSamples;
    uint32_t flags;
    char future[64];
};

struct ASIOTime {
    int32_t reserved[4];
    AsioTimeInfo timeInfo;
    ASIOTimeCode timeCode;
};

// Plain C calling convention on every target.
struct ASIOCallbacks {
    void (*bufferSwitch)(int32_t index, AsioBool processNow);
    void (*sampleRateDidChange)(AsioSampleRate rate);
    int32_t (*asioMessage)(int32_t selector, int32_t value, void* message, double* opt);
    ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* time, int32_t index, AsioBool processNow);
};

#pragma pack(pop)

static_assert(sizeof(AsioSamples) == 8, "two 32-bit halves");
static_assert(sizeof(ASIOClockSource) == 48, "clock source record");
static_assert(sizeof(ASIOChannelInfo) == 52, "channel info record");
static_assert(sizeof(AsioTimeInfo) == 48, "time info record");
static_assert(sizeof(ASIOTimeCode) == 84, "time code record, 4-byte packed");
static_assert(sizeof(ASIOTime) == 148, "time record, 4-byte packed");
static_assert(sizeof(ASIOBufferInfo) == 8 + 2 * sizeof(void*), "buffer info record");
static_assert(sizeof(ASIOCallbacks) == 4 * sizeof(void*), "four callbacks");
static_assert(sizeof(ASIODriverInfo) == 164 + sizeof(void*), "driver info record, 4-byte packed");

// The driver object. Its class id is also the id of this interface. It has no virtual
// destructor: drivers are released, never deleted.
class IAsioDriver : public platform::ComUnknown {
public:
    virtual AsioBool ORVANE_THISCALL init(void* sysHandle) = 0;
    virtual void ORVANE_THISCALL getDriverName(char* name) = 0;  // 32 bytes
    virtual int32_t ORVANE_THISCALL getDriverVersion() = 0;
    virtual void ORVANE_THISCALL getErrorMessage(char* text) = 0;  // 124 bytes
    virtual AsioError ORVANE_THISCALL start() = 0;
    virtual AsioError ORVANE_THISCALL stop() = 0;
    virtual AsioError ORVANE_THISCALL getChannels(int32_t* inputs, int32_t* outputs) = 0;
    virtual AsioError ORVANE_THISCALL getLatencies(int32_t* input, int32_t* output) = 0;
    virtual AsioError ORVANE_THISCALL getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                                    int32_t* granularity) = 0;
    virtual AsioError ORVANE_THISCALL canSampleRate(AsioSampleRate rate) = 0;
    virtual AsioError ORVANE_THISCALL getSampleRate(AsioSampleRate* rate) = 0;
    virtual AsioError ORVANE_THISCALL setSampleRate(AsioSampleRate rate) = 0;
    virtual AsioError ORVANE_THISCALL getClockSources(ASIOClockSource* clocks, int32_t* count) = 0;
    virtual AsioError ORVANE_THISCALL setClockSource(int32_t reference) = 0;
    virtual AsioError ORVANE_THISCALL getSamplePosition(AsioSamples* position, AsioTimeStamp* time) = 0;
    virtual AsioError ORVANE_THISCALL getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual AsioError ORVANE_THISCALL createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t bufferSize,
                                                    ASIOCallbacks* callbacks) = 0;
    virtual AsioError ORVANE_THISCALL disposeBuffers() = 0;
    virtual AsioError ORVANE_THISCALL controlPanel() = 0;
    virtual AsioError ORVANE_THISCALL future(int32_t selector, void* opt) = 0;
    virtual AsioError ORVANE_THISCALL outputReady() = 0;

protected:
    ~IAsioDriver() = default;
};
