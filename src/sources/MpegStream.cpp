#include "sources/MpegStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sources/ByteOrder.h"
#include "sources/ChunkScan.h"
#include "sources/ReaderReport.h"

namespace {

constexpr uint32_t kHeadBytes = 128;
constexpr uint32_t kSyncSearchBytes = 1024;
constexpr uint32_t kXingSearchBytes = 256;
constexpr uint32_t kXingLastOffset = 35;
constexpr uint32_t kResyncWindows = 4096;

bool IsSync(const uint8_t* p) { return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0; }

int VersionOf(const uint8_t* h) { return (h[1] >> 3) & 3; }  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
int LayerOf(const uint8_t* h) { return (h[1] >> 1) & 3; }    // 3 Layer I, 2 II, 1 III
int BitrateIndexOf(const uint8_t* h) { return h[2] >> 4; }
int RateIndexOf(const uint8_t* h) { return (h[2] >> 2) & 3; }
bool IsLsf(const uint8_t* h) { return (h[1] & 0x18) != 0x18; }
int KOf(const uint8_t* h) { return IsLsf(h) ? 1 : 2; }

// kbit/s; 0 for free format and invalid headers.
int Kbps(const uint8_t* h) {
    static const uint16_t kMpeg1[3][15] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // Layer II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // Layer I
    };
    static const uint16_t kMpeg2[3][15] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    };
    const int layer = LayerOf(h), index = BitrateIndexOf(h);
    if (layer == 0 || index == 0 || index > 14) return 0;
    return (h[1] & 0x08) ? kMpeg1[layer - 1][index] : kMpeg2[layer - 1][index];
}

// Bytes read at `offset`; what the file does not hold stays zero.
uint32_t ReadAt(platform::File& file, uint64_t offset, uint8_t* buffer, uint32_t bytes) {
    std::memset(buffer, 0, bytes);
    if (!file.Seek(static_cast<int64_t>(offset))) return 0;
    const int64_t got = file.Read(buffer, bytes);
    return got > 0 ? static_cast<uint32_t>(got) : 0;
}

// The end of the MPEG data: before a trailing 128-byte ID3v1 "TAG" block.
uint64_t EndBeforeTag(platform::File& file, uint64_t size) {
    uint8_t tag[3];
    if (size >= kHeadBytes && ReadAt(file, size - kHeadBytes, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0)
        return size - kHeadBytes;
    return size;
}

bool IdAt(const uint8_t* head, uint32_t p, const char* id) {
    return p + 4 <= kHeadBytes && IsChunkId(head + p, id);
}

// Walks the chunk ids of a RIFF wrapper over the first 128 bytes to the data chunk whose
// body starts with a frame sync. False when the walk runs past them.
bool WalkRiff(const uint8_t* head, uint64_t& offset, uint64_t& end) {
    uint32_t p = 8;
    for (;;) {
        if (IdAt(head, p, "RMP3") || IdAt(head, p, "WAVE")) {
            p += 4;
        } else if (IdAt(head, p, "fmt ")) {
            p += 38;
        } else if (IdAt(head, p, "fact")) {
            p += 12;
        } else if (IdAt(head, p, "RIFF")) {
            p += 8;
        } else if (IdAt(head, p, "data")) {
            const uint32_t size = p + 8 <= kHeadBytes ? LoadLe32(head + p + 4) : 0;
            p += 8;
            if (p + 2 <= kHeadBytes && IsSync(head + p)) {
                offset = p;
                end = static_cast<uint64_t>(size) + p;
                return true;
            }
        } else if (p > kHeadBytes) {
            return false;
        } else {
            p += 1;
        }
    }
}

uint64_t DataBytes(const AudioFormatInfo& format) {
    return format.dataEnd > format.dataOffset ? format.dataEnd - format.dataOffset : 0;
}

uint64_t FloorToCount(double value) { return value > 0 ? static_cast<uint64_t>(std::floor(value)) : 0; }

}  // namespace

namespace {

// Finds the first frame header (into `word`) and the end of the MPEG data, behind an
// ID3v2 tag or inside a RIFF wrapper. Shows the recognition messages.
bool FindFrames(platform::File& file, uint64_t size, uint64_t& offset, uint64_t& end, uint8_t* word) {
    uint8_t head[kHeadBytes];
    if (ReadAt(file, 0, head, kHeadBytes) == 0) return false;
    offset = 0;
    if (std::memcmp(head, "ID3", 3) == 0) {
        offset = (uint64_t{head[6]} << 21) + (uint64_t{head[7]} << 14) + (uint64_t{head[8]} << 7) + head[9] + 10;
        end = EndBeforeTag(file, size);
    } else if (IsChunkId(head, "RIFF")) {
        if (!WalkRiff(head, offset, end)) return ReportFileError(kTextMpegHeaderUnknown);
    } else {
        end = EndBeforeTag(file, size);
    }
    ReadAt(file, offset, word, 4);
    if (IsSync(word)) return true;
    uint8_t search[kSyncSearchBytes];
    const uint32_t got = ReadAt(file, offset, search, kSyncSearchBytes);
    uint32_t q = 0;
    while (q + 1 < got && !IsSync(search + q)) ++q;
    if (q + 1 >= got) return ReportFileError(kTextMpegFileUnknown);
    offset += q;
    end = EndBeforeTag(file, size);
    ReadAt(file, offset, word, 4);
    return true;
}

// The Xing VBR header in the first frame, if there is one.
void ReadXing(platform::File& file, uint64_t offset, XingInfo& xing) {
    uint8_t after[kXingSearchBytes];
    ReadAt(file, offset + 4, after, kXingSearchBytes);
    for (uint32_t x = 0; x <= kXingLastOffset; ++x) {
        if (std::memcmp(after + x, "Xing", 4) != 0) continue;
        xing.present = 1;
        xing.flags = LoadBe32(after + x + 4);
        xing.frames = LoadBe32(after + x + 8);
        xing.bytes = LoadBe32(after + x + 12);
        std::memcpy(xing.toc, after + x + 16, sizeof xing.toc);
        return;
    }
}

}  // namespace

bool ParseMpegStream(platform::File& file, AudioFormatInfo& format, XingInfo& xing) {
    format = AudioFormatInfo{};
    xing = XingInfo{};
    const int64_t fileSize = file.Size();
    const uint64_t size = fileSize > 0 ? static_cast<uint64_t>(fileSize) : 0;
    uint64_t offset = 0, end = 0;
    const uint8_t* word = xing.header;
    if (!FindFrames(file, size, offset, end, xing.header) || offset > UINT32_MAX || RateIndexOf(word) == 3)
        return false;

    static const int32_t kBaseRates[3] = {44100, 48000, 32000};
    static const int32_t kDivisors[4] = {4, 4, 2, 1};  // by version: 2.5, reserved, 2, 1
    format.formatTag = FormatTagPcm;
    format.channels = (word[3] >> 6) == 3 ? 1 : 2;
    format.sampleRate = kBaseRates[RateIndexOf(word)] / kDivisors[VersionOf(word)];
    format.bitsPerSample = 16;
    format.blockAlign = format.channels * 2;
    format.dataOffset = static_cast<uint32_t>(offset);
    format.dataSize = format.dataEnd = std::min(end, size);  // a wrapper cannot claim more than the file
    ReadXing(file, offset, xing);
    return true;
}

bool MpegHasBitrate(const uint8_t header[4]) { return Kbps(header) != 0; }

uint64_t MpegTotalFrames(const AudioFormatInfo& format, const XingInfo& xing) {
    const int kbps = Kbps(xing.header);
    const uint64_t bytes = DataBytes(format);
    if (kbps == 0 || format.sampleRate <= 0 || bytes == 0) return 0;
    if (!xing.present) {
        const uint64_t frameBytes = static_cast<uint64_t>(kbps) * 144000 / static_cast<uint32_t>(format.sampleRate) + 1;
        if (bytes <= frameBytes) return 0;
        return FloorToCount(static_cast<double>(bytes - frameBytes) * 8 / kbps / 1000 * format.sampleRate);
    }
    const double n = static_cast<double>(xing.frames) + 1;
    const double q = std::floor(static_cast<double>(bytes) / n);
    return FloorToCount(n / static_cast<double>(bytes) * (q * n) * 576 * KOf(xing.header));
}

bool MpegLengthSeconds(const AudioFormatInfo& format, const XingInfo& xing, uint64_t& seconds) {
    const int kbps = Kbps(xing.header);
    if (kbps == 0 || format.sampleRate <= 0) return false;
    if (!xing.present) {
        seconds = DataBytes(format) * 8 / (static_cast<uint64_t>(kbps) * 1000);
        return true;
    }
    const uint64_t ms = (uint64_t{xing.frames} + 1) * 576 * static_cast<uint64_t>(KOf(xing.header)) * 1000 /
                        static_cast<uint32_t>(format.sampleRate);
    seconds = ms / 1000 + (ms / 100 % 10 != 0 ? 1 : 0);
    return true;
}

uint64_t MpegSeekOffset(const AudioFormatInfo& format, const XingInfo& xing, uint32_t frame) {
    const int kbps = Kbps(xing.header);
    const double bytes = static_cast<double>(DataBytes(format));
    if (kbps == 0 || format.sampleRate <= 0) return 0;
    if (!xing.present) return FloorToCount(kbps * 125.0 * (static_cast<double>(frame) / format.sampleRate));
    if (xing.flags & XingTocFlag) {
        const uint64_t total = MpegTotalFrames(format, xing);
        if (total == 0) return 0;
        // The entry after the last stands for the end of the data.
        const auto entry = [&](int i) { return i < 100 ? static_cast<double>(xing.toc[i]) : 256.0; };
        const double p = std::min(100.0, static_cast<double>(frame) / static_cast<double>(total) * 100);
        const int i = static_cast<int>(p);
        const double a = entry(i), b = entry(i + 1);
        return FloorToCount(bytes / 256 * (a + (b - a) * (p - i)));
    }
    if (xing.frames == 0) return 0;
    return FloorToCount(bytes / (KOf(xing.header) * 576.0 * xing.frames) * frame);
}

uint64_t MpegFrameAt(const AudioFormatInfo& format, const XingInfo& xing, uint64_t offset, uint32_t target) {
    const int kbps = Kbps(xing.header);
    const uint64_t bytes = DataBytes(format);
    if (kbps == 0) return 0;
    if (!xing.present) return FloorToCount(static_cast<double>(offset) * 8 / kbps / 1000 * format.sampleRate);
    if (xing.flags & XingTocFlag) return target;
    if (bytes == 0) return 0;
    return FloorToCount(xing.frames / static_cast<double>(bytes) * static_cast<double>(offset) * 576 *
                        KOf(xing.header));
}

int64_t ResyncMpeg(platform::File& file, int64_t offset, const uint8_t header[4]) {
    // Fixed fields: version, layer and protection, sample rate, copyright, original, emphasis.
    const uint8_t reference[4] = {header[0], header[1], static_cast<uint8_t>(header[2] & 0x0C),
                                  static_cast<uint8_t>(header[3] & 0x0F)};
    const auto matches = [&](const uint8_t* w) {
        return IsSync(w) && LayerOf(w) != 0 && BitrateIndexOf(w) != 15 && RateIndexOf(w) != 3 &&
               w[0] == reference[0] && w[1] == reference[1] && (w[2] & 0x0C) == reference[2] &&
               (w[3] & 0x0F) == reference[3];
    };
    static constexpr uint32_t kSpan = kResyncWindows + 1 + 4;
    uint8_t window[kSpan];
    if (offset < 0 || !file.Seek(offset)) return -1;
    const int64_t read = file.Read(window, kSpan);
    const uint32_t got = read > 0 ? static_cast<uint32_t>(read) : 0;
    for (uint32_t i = 0; i + 4 <= got; ++i)
        if (i > kResyncWindows || matches(window + i)) return offset + i;
    return -1;
}
