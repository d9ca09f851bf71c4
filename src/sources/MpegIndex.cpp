#include "sources/MpegIndex.h"

#include <algorithm>
#include <cstring>

#include "sources/MpegHeader.h"

namespace {

constexpr uint32_t kWindowBytes = 64 * 1024;
constexpr uint32_t kResyncBytes = 1024;  // libmpg123 gives up after as many bytes of junk
// The synthesis filter bank keeps a ring of 16 subband sample vectors across frames, and the
// decoder's rounding depends on where in the ring it stands. A frame moves it by 12, 18 or
// 36 places: after 8 frames it is back where it was in every layer.
constexpr uint32_t kPhaseFrames = 8;

// The file seen through a buffer that is refilled from wherever a request leaves it.
class Window {
public:
    Window(platform::File& file, uint64_t end) : m_file(file), m_end(end), m_bytes(kWindowBytes) {}

    // `count` bytes at `at`, or null when the data ends first or cannot be read.
    const uint8_t* At(uint64_t at, uint32_t count) {
        if (at < m_start || at + count > m_start + m_size) {
            m_start = at;
            m_size = 0;
            if (at < m_end && m_file.Seek(static_cast<int64_t>(at))) {
                const int64_t got =
                    m_file.Read(m_bytes.data(), static_cast<uint32_t>(std::min<uint64_t>(kWindowBytes, m_end - at)));
                m_size = got > 0 ? static_cast<uint64_t>(got) : 0;
            }
        }
        return at + count <= m_start + m_size ? m_bytes.data() + (at - m_start) : nullptr;
    }

private:
    platform::File& m_file;
    uint64_t m_end;
    std::vector<uint8_t> m_bytes;
    uint64_t m_start = 0;
    uint64_t m_size = 0;
};

// Tags the decoder steps over where it expects a frame: ID3v1 and ID3v2; 0 for none.
uint64_t TagBytes(Window& window, uint64_t at) {
    const uint8_t* p = window.At(at, 10);
    if (!p) return 0;
    if (std::memcmp(p, "TAG", 3) == 0) return 128;
    if (std::memcmp(p, "ID3", 3) != 0 || ((p[6] | p[7] | p[8] | p[9]) & 0x80)) return 0;
    const uint64_t size = uint64_t{p[6]} << 21 | uint64_t{p[7]} << 14 | uint64_t{p[8]} << 7 | p[9];
    return 10 + size + ((p[5] & 0x10) ? 10 : 0);  // a footer doubles the header
}

}  // namespace

bool CMpegIndex::Build(platform::File& file, const AudioFormatInfo& format, const uint8_t header[4], uint64_t start) {
    m_frames.clear();
    std::memcpy(m_header, header, 4);
    m_dataOffset = format.dataOffset;
    m_dataEnd = std::max<uint64_t>(format.dataEnd, format.dataOffset);
    m_samplesPerFrame = static_cast<uint32_t>(mpeg::SamplesPerFrame(header));
    const uint32_t firstBytes = mpeg::FrameBytes(header);
    if (firstBytes == 0 || m_dataEnd - m_dataOffset > UINT32_MAX) return false;
    m_frames.reserve(static_cast<size_t>((m_dataEnd - m_dataOffset) / firstBytes + 1));

    Window window(file, m_dataEnd);
    const auto frameBytes = [&](uint64_t at) -> uint32_t {
        const uint8_t* h = window.At(at, 4);
        return h && mpeg::SameStream(header, h) ? mpeg::FrameBytes(h) : 0;
    };
    uint64_t at = start;
    while (window.At(at, 4)) {
        if (const uint32_t bytes = frameBytes(at)) {
            const uint8_t* h = window.At(at, 8);  // every frame that has a size is longer
            if (!h || at + bytes > m_dataEnd) break;  // cut short: the decoder cannot finish it
            Add(at, h);
            at += bytes;
        } else if (const uint64_t tag = TagBytes(window, at)) {
            at += tag;
        } else {
            uint32_t step = 1;
            while (step < kResyncBytes && window.At(at + step, 4) && !frameBytes(at + step)) ++step;
            if (step == kResyncBytes || !frameBytes(at + step)) break;
            at += step;
        }
    }
    return true;
}

void CMpegIndex::Add(uint64_t at, const uint8_t* h) {
    MpegFrame frame{static_cast<uint32_t>(at - m_dataOffset), 0, mpeg::HasCrc(h), 0};
    if (mpeg::IsLayer3(h)) {
        const uint8_t* side = h + 4 + (frame.crc ? 2 : 0);
        frame.mainDataBegin = mpeg::IsLsf(h) ? side[0] : static_cast<uint16_t>(side[0] << 1 | side[1] >> 7);
        frame.payload = static_cast<uint16_t>(mpeg::PayloadBytes(h));
    }
    m_frames.push_back(frame);
}

uint64_t CMpegIndex::FileOffset(uint32_t index) const {
    return index < Count() ? m_dataOffset + m_frames[index].offset : m_dataEnd;
}

MpegPreroll CMpegIndex::Preroll(uint32_t target) const {
    const uint32_t count = Count();
    if (target >= count) return {count, count};
    // The two granules before the target (one MPEG-1 Layer III frame, two MPEG-2 ones) fill
    // the overlap of the transform, and 16 subband samples the synthesis (one Layer II
    // frame, two Layer I ones): these frames must decode from their own data.
    const bool layer3 = mpeg::IsLayer3(m_header);
    const uint32_t history = mpeg::LayerOf(m_header) == 2 || (layer3 && !mpeg::IsLsf(m_header)) ? 1 : 2;
    if (target <= history) return {0, 0};
    uint32_t first = target - history;
    if (layer3) {
        for (int32_t missing = m_frames[first].mainDataBegin; missing > 0 && first > 0;)
            missing -= m_frames[--first].payload;
    }
    first -= first % kPhaseFrames;
    // From the first frame on, the decode is the one from the start.
    if (first == 0) return {0, 0};
    uint32_t silentUntil = first;
    if (layer3) {
        const uint32_t limit = mpeg::ReservoirLimit(m_header);
        for (uint32_t held = 0; silentUntil < count && m_frames[silentUntil].mainDataBegin > held; ++silentUntil)
            held = std::min(limit, held + m_frames[silentUntil].payload);
    }
    return {first, silentUntil};
}

void CMpegIndex::Silence(const MpegPreroll& preroll, uint64_t fileOffset, uint8_t* bytes, uint32_t count) const {
    const uint32_t sideBytes = mpeg::SideInfoBytes(m_header), limit = mpeg::ReservoirLimit(m_header);
    const bool lsf = mpeg::IsLsf(m_header);
    const uint64_t end = fileOffset + count;
    uint32_t held = 0;  // main data the decoder holds from the frames before
    for (uint32_t i = preroll.first; i < preroll.silentUntil && i < Count(); ++i) {
        const MpegFrame& frame = m_frames[i];
        const uint64_t side = m_dataOffset + frame.offset + 4 + (frame.crc ? 2 : 0);
        // All zero (no granule carries data) but the main data offset, which points at the
        // start of what the decoder holds, as the decoder sets it for such a frame.
        const uint8_t start[2] = {static_cast<uint8_t>(lsf ? held : held >> 1),
                                  static_cast<uint8_t>(lsf ? 0 : (held & 1) << 7)};
        for (uint64_t at = std::max(side, fileOffset); at < std::min(side + sideBytes, end); ++at)
            bytes[at - fileOffset] = at - side < 2 ? start[at - side] : 0;
        held = std::min(limit, held + frame.payload);
    }
}
