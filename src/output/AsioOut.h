#pragma once
// The ASIO output device: plays a stereo pair of the driver's output channels (pair n is
// channels 2n and 2n + 1; a mono source feeds both). Write fills the host's ring of
// blocks in the driver's sample format; the driver's buffer switch plays it out.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "output/AsioConvert.h"
#include "output/AudioDevice.h"
#include "output/Dither.h"
#include "output/RingMemory.h"

class CAsioOut : public CAudioDevice {
public:
    CAsioOut() = default;
    ~CAsioOut() override;

    int Open(OutputParams& params) override;
    void Close() override;
    int Write(const uint8_t* data, uint32_t bytes) override;
    int GetState() override;
    int Pause(int pause) override;
    int GetPosition() override;
    void Reset(int position) override;
    int GetBlockBytes() override;

    // The driver's own control panel: of the running driver, else of the named one.
    static void ShowControlPanel(const std::wstring& driverName);
    // The names of the named driver's output channels; fails while a stream plays.
    static bool ReadChannelNames(const std::wstring& driverName, std::vector<std::wstring>& names);

private:
    // Takes the source format; false for one no converter reads.
    bool StoreFormat(const OutputParams& params);
    // The driver's channels, buffer size and rate; 0, or the failed query's code after its
    // debug line.
    int QueryDriver();
    bool CreateBuffers();
    bool BuildRing(const OutputParams& params);
    void FreeRing();
    void RewindRing();
    int Fail(const wchar_t* text);

    // The interface thread (pause) and the engine's worker (seek) take turns at the driver's
    // start and stop and at the reset; the driver's thread never waits for this.
    std::mutex m_driverTurn;
    std::atomic<int32_t> m_paused{0};  // set while the driver is stopped by Pause
    int32_t m_pair = 0;
    int32_t m_formatTag = 0;
    int32_t m_frameBytes = 0;
    int32_t m_sourceBlockBytes = 0;
    CRingMemory m_memory{L"Error"};
    int32_t m_reduce = 0;
    int32_t m_writeIndex = 0;
    AsioConversion m_conversion;
    AsioConverter m_converter = nullptr;
    CSampleReducer m_reducer;
    std::vector<uint8_t> m_scratch;  // signed 8-bit or reduced samples of one block
};
