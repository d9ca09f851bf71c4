#include "support/native/ScriptedReader.h"

#include "platform/Time.h"

ScriptedReader::ScriptedReader(uint32_t totalFrames, int32_t sampleRate) : m_totalFrames(totalFrames) {
    m_format.sampleRate = sampleRate;
    m_format.bitsPerSample = 16;
    m_format.channels = 2;
    m_format.formatTag = FormatTagPcm;
    m_format.blockAlign = 4;
    m_format.dataSize = uint64_t{totalFrames} * 4;
    m_format.totalFrames = totalFrames;
    m_readSizes.reserve(1 << 16);
    m_seekTargets.reserve(1 << 12);
}

int ScriptedReader::Open(const std::wstring&) {
    if (m_open.load() || !openSucceeds) return 0;
    ++opens;
    m_byte = 0;
    m_open.store(true);
    return 1;
}

void ScriptedReader::Close() {
    if (m_open.exchange(false)) ++closes;
}

int ScriptedReader::Seek(uint32_t frame) {
    inSeek.store(1);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_seekTargets.push_back(frame);
    }
    if (seekDelayMs) platform::SleepMs(seekDelayMs);
    if (frame >= m_totalFrames) frame = 0;
    m_byte = uint64_t{frame} * 4;
    inSeek.store(0);
    return static_cast<int>(frame);
}

int ScriptedReader::Read(void* buffer, uint32_t bytes) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_readSizes.push_back(bytes);
    }
    if (bytes == 0) return 0;
    ++dataReads;
    if (readDelayMs) platform::SleepMs(readDelayMs);
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t end = uint64_t{m_totalFrames} * 4;
    uint32_t n = 0;
    for (; n < bytes && m_byte < end; ++n, ++m_byte) {
        uint32_t frame = static_cast<uint32_t>(m_byte / 4);
        out[n] = static_cast<uint8_t>(frame >> (8 * (m_byte % 4)));
    }
    return static_cast<int>(n);
}

int ScriptedReader::GetLength(const std::wstring&, int& minutes, int& seconds) {
    uint32_t s = m_totalFrames / static_cast<uint32_t>(m_format.sampleRate) + 1;
    minutes = static_cast<int>(s / 60);
    seconds = static_cast<int>(s % 60);
    return 1;
}

std::vector<uint32_t> ScriptedReader::ReadSizes() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_readSizes;
}

std::vector<uint32_t> ScriptedReader::SeekTargets() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_seekTargets;
}
