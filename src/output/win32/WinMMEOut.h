#pragma once
// The Windows multimedia wave-out device. Integer PCM wider than 16 bits is reduced to
// 16 bits; everything else plays in the source format, more than two channels in the
// extensible form. A block is the driver's from its waveOutWrite to its WOM_DONE: the
// callback only hands it back and counts it, and the ring reuses only blocks handed back.
#include <atomic>
#include <string>
#include <vector>

#include "output/AudioDevice.h"
#include "output/Dither.h"
#include "output/RingMemory.h"
#include "platform/Report.h"
#include "ui/Captions.h"

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

    // The id to open for the stored id and name, stored in params; a device that moved is
    // looked up by name.
    static int32_t ResolveDevice(OutputParams& params);
    bool BuildRing(int64_t framesPerBlock);
    void FreeRing();
    // The driver's WOM_DONE for a header of the ring.
    void HandBack(const wavehdr_tag* header);
    // Unprepares every header, waiting a while for those the driver still holds; one it
    // never gives back is left to it, not freed.
    void UnprepareRing(void* handle);

    std::atomic<void*> m_handle{nullptr};
    std::atomic<int32_t> m_open{0};
    std::atomic<int32_t> m_paused{0};
    std::atomic<int32_t> m_queued{0};
    std::atomic<int32_t> m_positionBase{0};
    int32_t m_deviceId = -1;
    int32_t m_channels = 0;
    int32_t m_blockAlign = 0;  // device bytes per frame
    wavehdr_tag* m_headers[kMaxBlocks] = {};
    std::atomic<int32_t> m_held[kMaxBlocks] = {};  // 1 while the driver holds the block
    int32_t m_writeIndex = 0;
    int32_t m_deviceBlockBytes = 0;
    int32_t m_sourceBlockBytes = 0;
    int32_t m_sourceBytes = 0;  // per sample
    int32_t m_convert = 0;
    CRingMemory m_memory{kCaptionError};
    int32_t m_blockCount = 0;
    std::atomic<int32_t> m_started{0};  // read by the time view's timer through GetPosition
    CSampleReducer m_reducer;
};
