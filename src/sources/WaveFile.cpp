#include "sources/WaveFile.h"

#include <cstring>

#include "sources/ChunkScan.h"
#include "sources/PcmStream.h"

namespace {

constexpr uint32_t kFormatMax = 40;
constexpr int32_t kFormatExtensible = 0xFFFE;
constexpr uint16_t kExtensionSize = 22;
// The integer PCM and IEEE float sub-format GUIDs share all but their first two bytes,
// which hold the plain format tag.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// An extensible chunk plays as the integer or float PCM its sub-format names; without a
// whole extension, or with another sub-format, it stays extensible.
int32_t CarriedTag(const uint8_t* body, uint32_t size) {
    if (size < kFormatMax || LoadLe16(body + 16) < kExtensionSize) return kFormatExtensible;
    const int32_t sub = LoadLe16(body + 24);
    if (sub != FormatTagPcm && sub != FormatTagFloat) return kFormatExtensible;
    return std::memcmp(body + 26, kSubFormatTail, sizeof kSubFormatTail) == 0 ? sub : kFormatExtensible;
}

// The "fmt " chunk, found by scanning from the current position. Plain RIFF files carry
// integer or float PCM only, extensible or not; RF64 files are taken with any tag.
bool ReadFormat(platform::File& file, bool anyTag, AudioFormatInfo& format) {
    uint8_t header[8];
    if (!ChunkScan(file, "fmt ", header, sizeof header)) return false;
    const uint32_t size = LoadLe32(header + 4);
    uint8_t body[kFormatMax] = {};  // a 16-byte chunk leaves the rest zero
    if (size > kFormatMax || file.Read(body, size) != size) return false;
    format.formatTag = LoadLe16(body);
    if (format.formatTag == kFormatExtensible) format.formatTag = CarriedTag(body, size);
    format.channels = LoadLe16(body + 2);
    format.sampleRate = static_cast<int32_t>(LoadLe32(body + 4));
    format.blockAlign = LoadLe16(body + 12);
    format.bitsPerSample = LoadLe16(body + 14);
    return anyTag || format.formatTag == FormatTagPcm || format.formatTag == FormatTagFloat;
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
    if (!ReadFormat(file, rf64, format) || !WalkToChunk(file, "data", ByteOrder::Little, chunkSize)) return false;
    if (!rf64) dataSize = chunkSize;
    return SetDataRange(format, file.Tell(), dataSize);
}

}  // namespace

int CWaveFile::Open(const std::wstring& path) { return OpenPcmStream(m_file, m_format, path, ParseWave); }

void CWaveFile::Close() { m_file.Close(); }

int CWaveFile::Seek(uint32_t frame) { return SeekPcmStream(m_file, m_format, frame); }

int CWaveFile::Read(void* buffer, uint32_t bytes) { return ReadPcmStream(m_file, m_format, buffer, bytes); }

int CWaveFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    return PcmStreamLength(path, ParseWave, minutes, seconds);
}
