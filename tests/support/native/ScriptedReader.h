#pragma once
// An in-memory reader for engine tests: 16-bit stereo PCM whose every frame holds its own
// frame index (as a little-endian 32-bit value), so a test can tell exactly which frames
// reached the device.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "sources/AudioFile.h"

class ScriptedReader : public CAudioFile {
public:
    explicit ScriptedReader(uint32_t totalFrames, int32_t sampleRate = 8000);

    int Open(const std::wstring& path) override;
    void Close() override;
    int Seek(uint32_t frame) override;
    int Read(void* buffer, uint32_t bytes) override;
    int GetLength(const std::wstring& path, int& minutes, int& seconds) override;

    // Scripting, set before Play.
    bool openSucceeds = true;
    uint32_t readDelayMs = 0;  // per Read with bytes > 0, like a slow decoder
    uint32_t seekDelayMs = 0;

    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::atomic<int> inSeek{0};
    std::atomic<int> dataReads{0};  // Read calls with bytes > 0, counted as they begin
    bool IsOpen() const { return m_open.load(); }
    // Sizes of every Read call, and the targets of every Seek call.
    std::vector<uint32_t> ReadSizes();
    std::vector<uint32_t> SeekTargets();

private:
    const uint32_t m_totalFrames;
    std::atomic<bool> m_open{false};
    uint64_t m_byte = 0;  // stream position in bytes
    std::mutex m_lock;
    std::vector<uint32_t> m_readSizes;
    std::vector<uint32_t> m_seekTargets;
};
