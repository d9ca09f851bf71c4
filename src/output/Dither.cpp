#include "output/Dither.h"

#include "output/SampleBytes.h"

// The arithmetic is that of 32-bit two's-complement words: sums wrap, right shifts are
// arithmetic and shift counts are taken modulo 32.
namespace {

int32_t Wrap(uint32_t x) { return static_cast<int32_t>(x); }
int32_t Add(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t Sub(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
int32_t Sar(int32_t x, int n) { return x >> (n & 31); }
int32_t Shl(int32_t x, int n) { return Wrap(static_cast<uint32_t>(x) << (n & 31)); }

int32_t Clip(int32_t a) { return a < kClipMin ? kClipMin : (a > kClipMax ? kClipMax : a); }

// Toward zero, saturating: a runaway filter (an absurd word length) must not make the
// conversion undefined.
int32_t Truncate(float f) {
    if (!(f > -2147483648.0f)) return f != f ? 0 : INT32_MIN;
    if (f >= 2147483648.0f) return INT32_MAX;
    return static_cast<int32_t>(f);
}

constexpr float kShaperCoefficients[CNoiseShaper::kTaps] = {1.662f,   -1.263f,  0.4827f,  -0.2913f, 0.1268f,
                                                             -0.1124f, 0.03252f, -0.01265f, -0.03524f};

}  // namespace

const wchar_t* const kDitherDisplayNames[kDitherNameSlots] = {
    L"Triangle distribution Dither", L"M Sequence Dither", L"Dither + Noize Sharpening", L"", L"", L"", L"", L"", L"", L""};

int32_t CTriangleNoise::Next(int s) {
    m_r1 = m_r1 * 196314165u + 907633515u;
    m_r2 = m_r2 * 196314165u + 907633515u;
    int32_t d = Add(Sar(Wrap(m_r1), s + 1), Sar(Wrap(m_r2), s + 1));
    int32_t out = Sub(d, m_previous);
    m_previous = d;
    return out;
}

uint32_t CMSequenceNoise::Step() {
    uint32_t t = (m_w[1] << 2) | (m_w[0] >> 30);
    m_w[3] = (m_w[3] << 1) | (m_w[2] >> 31);
    t ^= m_w[3];
    m_w[3] = m_w[2];
    m_w[2] = m_w[1];
    m_w[1] = m_w[0];
    m_w[0] = t;
    return t;
}

int32_t CMSequenceNoise::Next(int s) {
    int32_t a = Wrap(Step());
    int32_t b = Wrap(Step());
    int32_t d = Add(Sar(a, s + 1), Sar(b, s + 1));
    int32_t out = Sub(d, m_previous);
    m_previous = d;
    return out;
}

CTriangleNoise& ProcessTriangleNoise() {
    static CTriangleNoise noise;
    return noise;
}

CMSequenceNoise& ProcessMSequenceNoise() {
    static CMSequenceNoise noise;
    return noise;
}

void CNoiseShaper::Reset() {
    m_errors.fill(0.0f);
    m_index = kTaps - 1;
}

int32_t CNoiseShaper::Process(float x, int s, CTriangleNoise& noise) {
    double feedback = 0.0;
    for (int j = 0; j < kTaps; ++j) feedback += static_cast<double>(kShaperCoefficients[j]) * m_errors[m_index + j];
    float f = static_cast<float>(static_cast<double>(x) - feedback);
    int32_t q = Add(Truncate(f), noise.Next(s));
    m_index = (m_index + kTaps - 1) % kTaps;
    m_errors[m_index] = static_cast<float>(q) - f;
    m_errors[m_index + kTaps] = m_errors[m_index];
    return q;
}

void CSampleReducer::Setup(int channels, int sourceBytes, int targetBits, int32_t dither) {
    m_channels = channels;
    m_sourceBytes = sourceBytes;
    m_wordBytes = sourceBytes < 4 ? sourceBytes : 4;
    m_lowBytes = sourceBytes - m_wordBytes;
    m_targetBits = targetBits;
    // An unknown code truncates, as no dither does.
    m_dither = dither >= DitherTriangle && dither <= DitherNoiseShaping ? dither : DitherNone;
    if (m_dither == DitherNoiseShaping) m_shapers.assign(static_cast<size_t>(channels > 0 ? channels : 0), CNoiseShaper());
}

int32_t CSampleReducer::Dithered(int32_t v, int channel) {
    const int32_t half = Sar(v, 1);
    switch (m_dither) {
        case DitherTriangle: return Clip(Add(half, TriangleNoise(m_targetBits)));
        case DitherMSequence: return Clip(Add(half, MSequenceNoise(m_targetBits)));
        default:
            return Clip(m_shapers[static_cast<size_t>(channel)].Process(static_cast<float>(half), m_targetBits,
                                                                        ProcessTriangleNoise()));
    }
}

void CSampleReducer::To16(const uint8_t* source, uint8_t* out, uint32_t frames) {
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < m_channels; ++c, source += m_sourceBytes, out += 2) {
            const int32_t v = LoadJustified(source + m_lowBytes, m_wordBytes);
            StoreLow(out, static_cast<uint32_t>(m_dither == DitherNone ? Sar(v, 16) : Sar(Dithered(v, c), 15)), 2);
        }
    }
}

void CSampleReducer::KeepWidth(const uint8_t* source, uint8_t* out, uint32_t frames) {
    const int32_t mask = Shl(-1, 32 - m_targetBits);
    const int k = 32 - 8 * m_wordBytes;
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < m_channels; ++c, source += m_sourceBytes, out += m_sourceBytes) {
            const int32_t v = LoadJustified(source + m_lowBytes, m_wordBytes);
            int32_t w;
            if (m_dither == DitherNone) {
                w = v & mask;
            } else {
                w = Shl(Dithered(v, c), 1);
                // Only triangle dither is masked to the resolution.
                if (m_dither == DitherTriangle) w &= mask;
            }
            for (int i = 0; i < m_lowBytes; ++i) out[i] = 0;
            StoreLow(out + m_lowBytes, static_cast<uint32_t>(Sar(w, k)), m_wordBytes);
        }
    }
}

void SignEightBit(const uint8_t* source, uint8_t* out, uint32_t bytes) {
    for (uint32_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(source[i] ^ 0x80u);
}
