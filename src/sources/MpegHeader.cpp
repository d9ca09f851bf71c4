#include "sources/MpegHeader.h"

namespace mpeg {

namespace {

constexpr uint32_t kMaxBodyBytes = 3456;  // the decoder's frame buffer

}  // namespace

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

int SampleRate(const uint8_t* h) {
    static const int kBaseRates[3] = {44100, 48000, 32000};
    static const int kDivisors[4] = {4, 4, 2, 1};  // by version: 2.5, reserved, 2, 1
    return RateIndexOf(h) == 3 ? 0 : kBaseRates[RateIndexOf(h)] / kDivisors[VersionOf(h)];
}

uint32_t FrameBytes(const uint8_t* h) {
    const int kbps = Kbps(h), rate = SampleRate(h);
    if (!IsValidHeader(h) || kbps == 0) return 0;
    const uint32_t padding = (h[2] >> 1) & 1;
    uint32_t bytes = 0;
    switch (LayerOf(h)) {
        case 3: bytes = (12000u * kbps / rate + padding) * 4; break;
        case 2: bytes = 144000u * kbps / rate + padding; break;
        default: bytes = 144000u * kbps / (static_cast<uint32_t>(rate) << (IsLsf(h) ? 1 : 0)) + padding; break;
    }
    const uint32_t body = bytes - 4;
    if (body > kMaxBodyBytes) return 0;
    if (IsLayer3(h) && body < SideInfoBytes(h) + (HasCrc(h) ? 2 : 0)) return 0;
    return bytes;
}

int SamplesPerFrame(const uint8_t* h) {
    switch (LayerOf(h)) {
        case 3: return 384;
        case 2: return 1152;
        default: return IsLsf(h) ? 576 : 1152;
    }
}

uint32_t SideInfoBytes(const uint8_t* h) {
    if (IsLsf(h)) return IsMono(h) ? 9 : 17;
    return IsMono(h) ? 17 : 32;
}

uint32_t PayloadBytes(const uint8_t* h) {
    const uint32_t bytes = FrameBytes(h), overhead = 4 + (HasCrc(h) ? 2 : 0) + SideInfoBytes(h);
    return bytes > overhead ? bytes - overhead : 0;
}

}  // namespace mpeg
