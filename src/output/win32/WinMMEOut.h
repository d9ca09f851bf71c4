#pragma once
// The Windows multimedia wave-out device. Integer PCM wider than 16 bits is reduced to
// 16 bits; everything else plays in the source format. The driver's callback only counts
// finished blocks.
#include <atomic>
#include <string>
#include <vector>

#include "output/AudioDevice.h"
#include "output/Dither.h"

struct wavehdr_tag;

class CWinMMEOut : public CAudioDevice {
public:
    static constexpr int kMaxBlocks = 32;

    CWinMMEOut() = default;
    ~CWinMMEOut() override;

    int Open(OutputParams& params) override;
    void Close() override;
    int Write(const uint8_t* data, uint32_t bytes) override;
    int GetState() override;
    int Pause(int pause) override;
    int GetPosition() override;
    void Reset(int position) override;
    int GetBlockBytes() override;

    // Product names of the wave-out devices, asked afresh; an entry's index is its id.
    static const std::vector<std::wstring>& RebuildDeviceList();

private:
    friend struct MmeCallback;

    // The id to open for the stored id and name; a device that moved is looked up by name.
    static int32_t ResolveDevice(OutputParams& params);
    bool BuildRing(int64_t framesPerBlock);
    void FreeRing();

    std::atomic<void*> m_handle{nullptr};
    std::atomic<int32_t> m_open{0};
    std::atomic<int32_t> m_paused{0};
    std::atomic<int32_t> m_queued{0};
    std::atomic<int32_t> m_positionBase{0};
    int32_t m_deviceId = -1;
    int32_t m_channels = 0;
    int32_t m_blockAlign = 0;  // device bytes per frame
    wavehdr_tag* m_headers[kMaxBlocks] = {};
    int32_t m_writeIndex = 0;
    int32_t m_deviceBlockBytes = 0;
    int32_t m_sourceBlockBytes = 0;
    int32_t m_sourceBytes = 0;  // per sample
    int32_t m_convert = 0;
    int32_t m_allocations = 0;
    int32_t m_blockCount = 0;
    int32_t m_started = 0;
    CSampleReducer m_reducer;
};
