#include "sources/MpegStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sources/ByteOrder.h"
#include "sources/ChunkScan.h"
#include "sources/MpegHeader.h"
#include "sources/ReaderReport.h"

namespace {

constexpr uint32_t kHeadBytes = 128;
constexpr uint32_t kSyncSearchBytes = 1024;
constexpr uint32_t kXingSearchBytes = 256;
constexpr uint32_t kXingLastOffset = 35;
constexpr uint32_t kResyncWindows = 4096;

using mpeg::BitrateIndexOf;
using mpeg::IsSync;
using mpeg::Kbps;
using mpeg::LayerOf;
using mpeg::RateIndexOf;

int KOf(const uint8_t* h) { return mpeg::IsLsf(h) ? 1 : 2; }

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

// The table of contents in 256ths of the data, per percent of the length; the entry after
// the last stands for the end of the data.
double TocEntry(const XingInfo& xing, int percent) { return percent < 100 ? xing.toc[percent] : 256.0; }

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

    format.formatTag = FormatTagPcm;
    format.channels = mpeg::IsMono(word) ? 1 : 2;
    format.sampleRate = mpeg::SampleRate(word);
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

bool MpegLengthSeconds(const AudioFormatInfo& format, const XingInfo& xing, const MpegTrim& trim, uint64_t& seconds) {
    const int kbps = Kbps(xing.header);
    if (kbps == 0 || format.sampleRate <= 0) return false;
    if (!xing.present && !trim.announced) {
        seconds = DataBytes(format) * 8 / (static_cast<uint64_t>(kbps) * 1000);
        return true;
    }
    const uint64_t samples = trim.announced ? MpegHeardLength(trim, trim.announced)
                                            : (uint64_t{xing.frames} + 1) * 576 * static_cast<uint64_t>(KOf(xing.header));
    const uint64_t ms = samples * 1000 / static_cast<uint32_t>(format.sampleRate);
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
        const double p = std::min(100.0, static_cast<double>(frame) / static_cast<double>(total) * 100);
        const int i = static_cast<int>(p);
        const double a = TocEntry(xing, i), b = TocEntry(xing, i + 1);
        return FloorToCount(bytes / 256 * (a + (b - a) * (p - i)));
    }
    if (xing.frames == 0) return 0;
    return FloorToCount(bytes / (KOf(xing.header) * 576.0 * xing.frames) * frame);
}

uint64_t MpegFrameAt(const AudioFormatInfo& format, const XingInfo& xing, uint64_t offset) {
    const int kbps = Kbps(xing.header);
    const uint64_t bytes = DataBytes(format);
    if (kbps == 0) return 0;
    if (!xing.present) return FloorToCount(static_cast<double>(offset) * 8 / kbps / 1000 * format.sampleRate);
    if (bytes == 0) return 0;
    if (xing.flags & XingTocFlag) {
        // Where the table puts the byte reached, read back.
        const double at = static_cast<double>(offset) * 256 / static_cast<double>(bytes);
        int i = 0;
        while (i < 99 && TocEntry(xing, i + 1) <= at) ++i;
        const double a = TocEntry(xing, i), b = TocEntry(xing, i + 1);
        const double percent = i + (b > a ? std::clamp((at - a) / (b - a), 0.0, 1.0) : 0.0);
        return FloorToCount(percent / 100 * static_cast<double>(MpegTotalFrames(format, xing)));
    }
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

namespace {

constexpr uint64_t kDecoderDelay = 529;  // of the decoder's filter banks (libmpg123's GAPLESS_DELAY)

enum : uint32_t { XingFramesFlag = 1, XingBytesFlag = 2, XingQualityFlag = 8 };

// The frame count, the encoder's delay and padding as libmpg123 trims by them: the end only
// when it lies after the start of the stream; frames beyond the count play whole, but none
// before the one that holds the first heard sample.
MpegTrim TrimOf(uint32_t infoFrameBytes, uint64_t frames, uint64_t delay, uint64_t padding, uint64_t spf) {
    MpegTrim trim{infoFrameBytes, 0, 0, 0, 0};
    if (frames == 0) return trim;
    const uint64_t announced = frames * spf;
    trim.announced = announced;
    trim.begin = delay + kDecoderDelay;
    trim.headEnd = announced + kDecoderDelay > padding ? std::min(announced + kDecoderDelay - padding, announced)
                                                       : announced;
    trim.tailStart = std::max(announced, trim.begin / spf * spf);
    return trim;
}

}  // namespace

MpegTrim FindMpegTrim(platform::File& file, const AudioFormatInfo& format, const uint8_t header[4]) {
    const uint32_t bytes = mpeg::FrameBytes(header);
    MpegTrim none{0, 0, 0, 0, 0};
    if (!mpeg::IsLayer3(header) || bytes == 0 || format.dataOffset + uint64_t{bytes} > format.dataEnd) return none;
    uint8_t frame[4 + 3456];
    if (ReadAt(file, format.dataOffset, frame, bytes) != bytes) return none;
    const uint8_t* body = frame + 4;
    const uint32_t size = bytes - 4;
    uint32_t at = mpeg::SideInfoBytes(header);  // where libmpg123 looks, CRC or not
    if (size < at + 8) return none;
    for (uint32_t i = 2; i < at; ++i)
        if (body[i] != 0) return none;
    if (std::memcmp(body + at, "Info", 4) != 0 && std::memcmp(body + at, "Xing", 4) != 0) return none;
    const uint32_t flags = LoadBe32(body + at + 4);
    at += 8;
    // Each field is there only when its flag is set; a frame too short for one ends the tag.
    uint32_t frames = 0;
    const struct {
        uint32_t flag, bytes;
    } fields[] = {{XingFramesFlag, 4}, {XingBytesFlag, 4}, {XingTocFlag, 100}, {XingQualityFlag, 4}};
    for (const auto& field : fields) {
        if (!(flags & field.flag)) continue;
        if (size < at + field.bytes) return TrimOf(bytes, frames, 0, 0, mpeg::SamplesPerFrame(header));
        if (field.flag == XingFramesFlag) frames = LoadBe32(body + at);
        at += field.bytes;
    }
    // The LAME extension: an encoder name, then at 21 two 12-bit counts.
    uint64_t delay = 0, padding = 0;
    if (size >= at + 24 && body[at] != 0) {
        delay = uint64_t{body[at + 21]} << 4 | body[at + 22] >> 4;
        padding = uint64_t{body[at + 22] & 0x0Fu} << 8 | body[at + 23];
    }
    return TrimOf(bytes, frames, delay, padding, mpeg::SamplesPerFrame(header));
}

uint64_t MpegHeardLength(const MpegTrim& trim, uint64_t decoded) {
    const uint64_t head = std::min(decoded, trim.headEnd);
    return (head > trim.begin ? head - trim.begin : 0) + (decoded > trim.tailStart ? decoded - trim.tailStart : 0);
}

uint64_t MpegDecodedPosition(const MpegTrim& trim, uint64_t heard) {
    const uint64_t head = trim.headEnd > trim.begin ? trim.headEnd - trim.begin : 0;
    return heard < head ? trim.begin + heard : trim.tailStart + (heard - head);
}
