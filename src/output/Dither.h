#pragma once
// Word-length reduction of integer PCM: the noise sources, the noise shaper and the
// per-sample arithmetic of the MME device (to 16 bits) and the ASIO device (to the
// chosen resolution, keeping the source width).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

enum DitherKind : int32_t { DitherNone = 0, DitherTriangle = 1, DitherMSequence = 2, DitherNoiseShaping = 3 };

// Names the setup dialog lists, in dither-type order starting at DitherTriangle; the table
// ends early at the first empty entry.
constexpr int kDitherNameSlots = 10;
extern const wchar_t* const kDitherDisplayNames[kDitherNameSlots];

// High-pass triangular noise from two linear congruential generators.
class CTriangleNoise {
public:
    // s is the target word length in bits.
    int32_t Next(int s);

private:
    uint32_t m_r1 = 22222;
    uint32_t m_r2 = 5555555;
    int32_t m_previous = 0;
};

// High-pass triangular noise from a 128-bit maximal-length shift register.
class CMSequenceNoise {
public:
    // One 32-bit advance of the register; returns the new word.
    uint32_t Step();
    int32_t Next(int s);

private:
    uint32_t m_w[4] = {0x1C9BD057u, 0x9E6AD40Cu, 0x1E606773u, 0xCFFB8E94u};
    int32_t m_previous = 0;
};

// The process-wide noise sources. They are never reseeded: their sequences run on across
// files and devices, so tests copy them to predict what comes next.
CTriangleNoise& ProcessTriangleNoise();
CMSequenceNoise& ProcessMSequenceNoise();
inline int32_t TriangleNoise(int s) { return ProcessTriangleNoise().Next(s); }
inline int32_t MSequenceNoise(int s) { return ProcessMSequenceNoise().Next(s); }

// Error feedback filter for one channel. The devices feed it the process-wide triangle
// noise.
class CNoiseShaper {
public:
    static constexpr int kTaps = 9;

    CNoiseShaper() { Reset(); }
    void Reset();
    int32_t Process(float x, int s, CTriangleNoise& noise);

private:
    int m_index = kTaps - 1;
    // The last errors twice over, so kTaps entries from the index are newest first.
    std::array<float, 2 * kTaps> m_errors{};
};

// Full scale of the half-value arithmetic.
constexpr int32_t kClipMin = -0x40000000;
constexpr int32_t kClipMax = 0x3FFFFFFF;

// Reduces blocks of one stream. Setup is called when a device opens; the conversions then
// run per block without allocating.
class CSampleReducer {
public:
    // sourceBytes: bytes per source sample (2 or more; a wider sample is reduced by its
    // top four bytes); targetBits: word length to reduce to. Every channel gets its own
    // noise shaper, cleared here when noise shaping is chosen.
    void Setup(int channels, int sourceBytes, int targetBits, int32_t dither);

    // To 16-bit little-endian samples (the MME device; targetBits is 16).
    void To16(const uint8_t* source, uint8_t* out, uint32_t frames);
    // To targetBits, each sample kept at the source width (the ASIO device).
    void KeepWidth(const uint8_t* source, uint8_t* out, uint32_t frames);

private:
    // The dithered, clipped half value of left-justified sample v of a channel.
    int32_t Dithered(int32_t v, int channel);

    int m_channels = 0;
    int m_sourceBytes = 0;
    int m_wordBytes = 0;  // the top bytes of a sample that are reduced, at most 4
    int m_lowBytes = 0;   // the bytes below them
    int m_targetBits = 16;
    int32_t m_dither = DitherNone;
    std::vector<CNoiseShaper> m_shapers;
};

// ASIO takes 8-bit sources as signed: every unsigned byte minus 128.
void SignEightBit(const uint8_t* source, uint8_t* out, uint32_t bytes);
