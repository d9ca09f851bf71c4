#pragma once
// Where the MPEG audio frames of a file lie and what its first frame header says, and the
// length and seek arithmetic over them. Lengths and seek offsets count the bytes of MPEG
// data from dataOffset, so an ID3v2 tag or a RIFF wrapper before the data shifts nothing.
#include <cstdint>

#include "platform/File.h"
#include "sources/AudioFile.h"

struct XingInfo {
    int32_t present;
    uint32_t flags;
    uint32_t frames;
    uint32_t bytes;  // not used
    uint8_t toc[100];
    uint8_t header[4];  // the first frame header, as found in the file
};

enum : uint32_t { XingTocFlag = 4 };

// The decoded samples the reference decoder leaves out, counted from the first sample of
// the frame after a LAME-style Xing or Info frame: its own delay of 529 samples and, when
// the frame carries the LAME extension, the encoder's delay and padding. Decoded samples
// in [begin, headEnd) and from tailStart on are heard (frames beyond the announced count
// are played whole). All zero: every sample is heard.
struct MpegTrim {
    uint32_t infoFrameBytes;  // the Xing or Info frame at dataOffset, never decoded; 0: none
    uint64_t announced;       // decoded samples of the frames the Info frame counts; 0: no count
    uint64_t begin;
    uint64_t headEnd;
    uint64_t tailStart;
};

inline const wchar_t* const kTextMpegHeaderUnknown = L"Mpegヘッダを認識できませんでした。";
inline const wchar_t* const kTextMpegFileUnknown = L"Mpegファイルを認識できませんでした。";

// Parses a file opened for reading, from its start: the format, dataOffset (the first
// frame) and the end of the MPEG data in dataSize and dataEnd; totalFrames is left 0.
// Shows the two recognition messages itself.
bool ParseMpegStream(platform::File& file, AudioFormatInfo& format, XingInfo& xing);

// False for free format and invalid headers: no bitrate to measure the data by.
bool MpegHasBitrate(const uint8_t header[4]);
uint64_t MpegTotalFrames(const AudioFormatInfo& format, const XingInfo& xing);
// False when the length is unknown. With a count from the Info frame, the heard samples
// it announces are rounded as the Xing header's frame count is.
bool MpegLengthSeconds(const AudioFormatInfo& format, const XingInfo& xing, const MpegTrim& trim, uint64_t& seconds);
// Where the frame lies, in bytes from dataOffset.
uint64_t MpegSeekOffset(const AudioFormatInfo& format, const XingInfo& xing, uint32_t frame);
// The frame at `offset` bytes from dataOffset by the same arithmetic.
uint64_t MpegFrameAt(const AudioFormatInfo& format, const XingInfo& xing, uint64_t offset);

// The Xing or Info frame at dataOffset as libmpg123 recognises it (Layer III, zeros where
// the side information would be, the tag where it ends) and the trim it announces.
MpegTrim FindMpegTrim(platform::File& file, const AudioFormatInfo& format, const uint8_t header[4]);
// Heard samples among the first `decoded` ones.
uint64_t MpegHeardLength(const MpegTrim& trim, uint64_t decoded);
// The decoded sample that is heard as sample `heard`.
uint64_t MpegDecodedPosition(const MpegTrim& trim, uint64_t heard);

// The file offset of the first frame header at or after `offset` that agrees with the
// stream's first header; 4,097 bytes on when none is found within 4,096; -1 when the
// file ends first.
int64_t ResyncMpeg(platform::File& file, int64_t offset, const uint8_t header[4]);
