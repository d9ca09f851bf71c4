#include "support/native/TestDevice.h"

#include <chrono>
#include <algorithm>
#include <cstring>

#include "platform/Time.h"

namespace {
// Frames are played in slices this long, so pause and position act within a block.
constexpr int kSliceMs = 5;
}

int TestDevice::Open(OutputParams& params) {
    selectionGiven = params.selection;
    if (selectionUsed) params.selection = *selectionUsed;
    if (!openSucceeds || params.channels != 2 || params.bitsPerSample != 16) return 0;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_open) return 0;
    ++opens;
    m_rate = params.sampleRate;
    m_blockFrames = params.bufferTime * params.sampleRate / 1000;
    m_ring.assign(static_cast<size_t>(params.blockCount), std::vector<uint32_t>(static_cast<size_t>(m_blockFrames)));
    m_used.assign(static_cast<size_t>(params.blockCount), 0);
    m_read = m_write = m_queued = 0;
    m_playedInBlock = 0;
    m_base = m_playedSinceReset = 0;
    m_resets = 0;
    m_paused = false;
    m_writes.clear();
    m_writes.reserve(1 << 14);
    m_played.clear();
    m_played.reserve(1 << 22);
    m_open = true;
    m_player = std::thread(&TestDevice::PlayerLoop, this);
    if (afterOpen) afterOpen();
    return 1;
}

void TestDevice::Close() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_open) return;
        m_open = false;
        ++closes;
    }
    m_wake.notify_all();
    m_player.join();
}

int TestDevice::Write(const uint8_t* data, uint32_t bytes) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (bytes == 0 || m_queued == static_cast<int>(m_ring.size())) return m_queued == 0 ? WriteDrained : WriteFull;
        if (failNextWrites.load() > 0) {
            --failNextWrites;
            return -3;
        }
        uint32_t maxBytes = static_cast<uint32_t>(m_blockFrames) * 4;
        if (bytes > maxBytes) bytes = maxBytes;
        auto& block = m_ring[static_cast<size_t>(m_write)];
        uint32_t frames = bytes / 4;
        std::memcpy(block.data(), data, frames * 4);
        m_used[static_cast<size_t>(m_write)] = frames;
        uint32_t first = 0;
        if (frames) first = block[0];
        m_writes.push_back({first, bytes, m_resets});
        m_write = (m_write + 1) % static_cast<int>(m_ring.size());
        ++m_queued;
    }
    m_wake.notify_all();
    platform::SleepMs(1);
    return static_cast<int>(bytes);
}

int TestDevice::GetState() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return DeviceClosed;
    return m_paused ? DevicePaused : DeviceOpen;
}

int TestDevice::Pause(int pause) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_paused = pause != 0;
    }
    m_wake.notify_all();
    return PauseDone;
}

int TestDevice::GetPosition() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_base + m_playedSinceReset;
}

void TestDevice::Reset(int position) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_read = m_write = m_queued = 0;
    m_playedInBlock = 0;
    m_base = position;
    m_playedSinceReset = 0;
    ++m_resets;
}

int TestDevice::GetBlockBytes() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_blockFrames * 4;
}

void TestDevice::PlayerLoop() {
    std::unique_lock<std::mutex> hold(m_lock);
    const uint32_t sliceFrames = static_cast<uint32_t>(m_rate * kSliceMs / 1000);
    while (m_open) {
        if (m_paused || m_queued == 0) {
            m_wake.wait(hold);
            continue;
        }
        // Play one slice of the oldest block, taking the slice's time as real hardware does.
        const auto& block = m_ring[static_cast<size_t>(m_read)];
        uint32_t used = m_used[static_cast<size_t>(m_read)];
        uint32_t end = std::min(used, m_playedInBlock + sliceFrames);
        for (uint32_t i = m_playedInBlock; i < end; ++i) m_played.push_back(block[i]);
        m_playedSinceReset += static_cast<int>(end - m_playedInBlock);
        m_playedInBlock = end;
        if (m_playedInBlock >= used) {
            m_read = (m_read + 1) % static_cast<int>(m_ring.size());
            --m_queued;
            m_playedInBlock = 0;
        }
        auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSliceMs);
        m_wake.wait_until(hold, next, [this] { return !m_open; });
    }
}

std::vector<TestDevice::WriteEntry> TestDevice::Writes() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_writes;
}

std::vector<uint32_t> TestDevice::Played() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_played;
}

size_t TestDevice::PlayedCount() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_played.size();
}
