#pragma once
// Where every frame of an MPEG stream lies, found from the frame headers alone, and how a
// decode that starts inside the stream is made to give, from a chosen frame on, exactly
// what a decode from the first frame gives.
#include <cstdint>
#include <vector>

#include "platform/File.h"
#include "sources/AudioFile.h"

struct MpegFrame {
    uint32_t offset;             // from dataOffset
    uint16_t mainDataBegin : 9;  // Layer III: bytes back into earlier frames where its main data starts
    uint16_t crc : 1;
    uint16_t payload;            // Layer III: bytes of main data the frame carries
};

// Frames [first, silentUntil) are decoded before the frame asked for; those whose main
// data is not all there yet are fed with silent side information (see Silence).
struct MpegPreroll {
    uint32_t first;
    uint32_t silentUntil;
};

class CMpegIndex {
public:
    // Indexes the frames from `start` to the end of the MPEG data that agree with the
    // stream's first header, stepping over damage as libmpg123 does. False when the
    // stream cannot be indexed: free format, or more MPEG data than 32-bit offsets reach.
    bool Build(platform::File& file, const AudioFormatInfo& format, const uint8_t header[4], uint64_t start);
    void Clear() { m_frames.clear(); }

    uint32_t Count() const { return static_cast<uint32_t>(m_frames.size()); }
    // The file offset of frame `index`; the end of the data for Count().
    uint64_t FileOffset(uint32_t index) const;
    uint32_t SamplesPerFrame() const { return m_samplesPerFrame; }

    // What to decode so that the output from frame `target` on is exact.
    MpegPreroll Preroll(uint32_t target) const;
    // Rewrites, in `bytes` read from `fileOffset`, the side information of the preroll's
    // frames that would miss main data: a silent frame that still carries its main data.
    // libmpg123 silences such frames itself, but with stray bits of the old side
    // information left in (an MPEG-2 frame may then fail and skip the synthesis, which
    // shifts the filter bank's phase for good); these always decode.
    void Silence(const MpegPreroll& preroll, uint64_t fileOffset, uint8_t* bytes, uint32_t count) const;

private:
    void Add(uint64_t at, const uint8_t* h);

    std::vector<MpegFrame> m_frames;
    uint8_t m_header[4] = {};
    uint64_t m_dataOffset = 0;
    uint64_t m_dataEnd = 0;
    uint32_t m_samplesPerFrame = 0;
};
