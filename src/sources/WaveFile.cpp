#include "sources/WaveFile.h"

#include "sources/ChunkScan.h"
#include "sources/PcmStream.h"
#include "sources/WaveFormatTag.h"

namespace {

constexpr uint32_t kFormatMax = 40;

// The "fmt " chunk, found by scanning from the current position: integer or float PCM,
// extensible or not.
bool ReadFormat(platform::File& file, AudioFormatInfo& format) {
    uint8_t header[8];
    if (!ChunkScan(file, "fmt ", header, sizeof header)) return false;
    const uint32_t size = LoadLe32(header + 4);
    uint8_t body[kFormatMax] = {};  // a 16-byte chunk leaves the rest zero
    if (size > kFormatMax || file.Read(body, size) != size) return false;
    format.formatTag = PlayableFormatTag(body, size);
    format.channels = LoadLe16(body + 2);
    format.sampleRate = static_cast<int32_t>(LoadLe32(body + 4));
    format.blockAlign = LoadLe16(body + 12);
    format.bitsPerSample = LoadLe16(body + 14);
    return format.formatTag != 0;
}

bool ParseWave(platform::File& file, AudioFormatInfo& format) {
    uint8_t head[12];
    if (file.Read(head, sizeof head) != sizeof head || !IsChunkId(head + 8, "WAVE")) return false;
    const bool rf64 = IsChunkId(head, "RF64");
    if (!rf64 && !IsChunkId(head, "RIFF")) return false;
    uint64_t dataSize = 0;
    if (rf64) {
        // ds64 must come first; of its 64-bit sizes only the data size is used.
        uint8_t ds64[36];
        if (file.Read(ds64, sizeof ds64) != sizeof ds64 || !IsChunkId(ds64, "ds64")) return false;
        dataSize = LoadLe64(ds64 + 16);
    }
    uint32_t chunkSize = 0;
    if (!ReadFormat(file, format) || !WalkToChunk(file, "data", ByteOrder::Little, chunkSize)) return false;
    if (!rf64) dataSize = chunkSize;
    return SetDataRange(format, file, file.Tell(), dataSize);
}

}  // namespace

int CWaveFile::Open(const std::wstring& path) { return OpenPcmStream(m_file, m_format, path, ParseWave); }

void CWaveFile::Close() { m_file.Close(); }

int CWaveFile::Seek(uint32_t frame) { return SeekPcmStream(m_file, m_format, frame); }

int CWaveFile::Read(void* buffer, uint32_t bytes) { return ReadPcmStream(m_file, m_format, buffer, bytes); }

int CWaveFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    return PcmStreamLength(path, ParseWave, minutes, seconds);
}
