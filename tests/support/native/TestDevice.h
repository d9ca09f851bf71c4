#pragma once
// An output device for engine tests that plays its ring out in real time on a thread of
// its own, as a sound card would, and logs what it was given and what it played. Frames
// are the 4-byte frame indices that ScriptedReader produces.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "output/AudioDevice.h"

class TestDevice : public CAudioDevice {
public:
    TestDevice() = default;
    ~TestDevice() override { Close(); }

    int Open(OutputParams& params) override;
    void Close() override;
    int Write(const uint8_t* data, uint32_t bytes) override;
    int GetState() override;
    int Pause(int pause) override;
    int GetPosition() override;
    void Reset(int position) override;
    int GetBlockBytes() override;

    struct WriteEntry {
        uint32_t firstFrame;  // frame index held by the block's first frame
        uint32_t bytes;       // bytes taken
        uint32_t resetsBefore;
    };

    // Scripting, set before Play.
    bool openSucceeds = true;
    std::atomic<int> failNextWrites{0};  // those writes return a device error
    void (*afterOpen)() = nullptr;        // runs at the end of a successful Open
    std::optional<int32_t> selectionUsed;  // what Open reports back, opened or not
    int32_t selectionGiven = 0;            // what the last Open was given

    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::vector<WriteEntry> Writes();
    std::vector<uint32_t> Played();  // every frame played, in order
    size_t PlayedCount();            // without copying, for allocation-free polling

private:
    void PlayerLoop();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::thread m_player;
    bool m_open = false;
    bool m_paused = false;
    int m_blockFrames = 0;
    int m_rate = 0;
    std::vector<std::vector<uint32_t>> m_ring;  // frames per block
    std::vector<uint32_t> m_used;               // frames filled per block
    int m_read = 0, m_write = 0, m_queued = 0;
    uint32_t m_playedInBlock = 0;
    int m_base = 0, m_playedSinceReset = 0;
    uint32_t m_resets = 0;
    std::vector<WriteEntry> m_writes;
    std::vector<uint32_t> m_played;
};
