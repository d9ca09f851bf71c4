#pragma once
// The fields of an MPEG audio frame header (its four bytes as found in the file) and the
// sizes libmpg123 derives from them, which the frame index and the decoder must agree on.
#include <cstdint>

namespace mpeg {

inline bool IsSync(const uint8_t* h) { return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0; }
inline int VersionOf(const uint8_t* h) { return (h[1] >> 3) & 3; }  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
inline int LayerOf(const uint8_t* h) { return (h[1] >> 1) & 3; }    // 3 Layer I, 2 II, 1 III
inline int BitrateIndexOf(const uint8_t* h) { return h[2] >> 4; }
inline int RateIndexOf(const uint8_t* h) { return (h[2] >> 2) & 3; }
inline bool IsLsf(const uint8_t* h) { return (h[1] & 0x18) != 0x18; }
inline bool IsMono(const uint8_t* h) { return (h[3] >> 6) == 3; }
inline bool HasCrc(const uint8_t* h) { return (h[1] & 1) == 0; }
inline bool IsLayer3(const uint8_t* h) { return LayerOf(h) == 1; }

// What the decoder takes for a header: a sync, a layer, a bitrate index other than 15 and a
// known sample rate.
inline bool IsValidHeader(const uint8_t* h) {
    return IsSync(h) && LayerOf(h) != 0 && BitrateIndexOf(h) != 15 && RateIndexOf(h) != 3;
}

// The same version, layer, sample rate and channel count: frames the decoder turns into
// the same amount of the same PCM format.
inline bool SameStream(const uint8_t* a, const uint8_t* b) {
    return a[1] >> 1 == b[1] >> 1 && RateIndexOf(a) == RateIndexOf(b) && IsMono(a) == IsMono(b);
}

// kbit/s; 0 for free format and invalid headers.
int Kbps(const uint8_t* h);
// Hz; 0 for an invalid sample-rate index.
int SampleRate(const uint8_t* h);
// Bytes of the frame, header included, as the decoder reads it; 0 when the header gives no
// size (free format, invalid fields) or one the decoder refuses.
uint32_t FrameBytes(const uint8_t* h);
int SamplesPerFrame(const uint8_t* h);
// Layer III: bytes of side information after the header and its CRC.
uint32_t SideInfoBytes(const uint8_t* h);
// Layer III: bytes of main data the frame carries (after header, CRC and side information).
uint32_t PayloadBytes(const uint8_t* h);
// Layer III: the largest main-data offset into earlier frames the format allows.
inline uint32_t ReservoirLimit(const uint8_t* h) { return IsLsf(h) ? 255 : 511; }

}  // namespace mpeg
