#include "output/Dither.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Samples as little-endian bytes of the given width.
std::vector<uint8_t> Pack(const std::vector<int32_t>& samples, int bytes) {
    std::vector<uint8_t> out;
    for (int32_t s : samples)
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(s) >> (8 * i)));
    return out;
}

std::vector<int32_t> Unpack(const std::vector<uint8_t>& data, int bytes) {
    std::vector<int32_t> out;
    for (size_t i = 0; i + bytes <= data.size(); i += bytes) {
        uint32_t w = 0;
        for (int b = 0; b < bytes; ++b) w |= static_cast<uint32_t>(data[i + b]) << (8 * b);
        out.push_back(static_cast<int32_t>(w << (32 - 8 * bytes)) >> (32 - 8 * bytes));
    }
    return out;
}

std::vector<int32_t> To16(const std::vector<int32_t>& samples, int channels, int bytes, int32_t dither) {
    CSampleReducer reducer;
    reducer.Setup(channels, bytes, 16, dither);
    std::vector<uint8_t> in = Pack(samples, bytes), out(samples.size() * 2);
    reducer.To16(in.data(), out.data(), static_cast<uint32_t>(samples.size() / channels));
    return Unpack(out, 2);
}

std::vector<int32_t> KeepWidth(const std::vector<int32_t>& samples, int bytes, int bits, int32_t dither) {
    CSampleReducer reducer;
    reducer.Setup(2, bytes, bits, dither);
    std::vector<uint8_t> in = Pack(samples, bytes), out(in.size());
    reducer.KeepWidth(in.data(), out.data(), static_cast<uint32_t>(samples.size() / 2));
    return Unpack(out, bytes);
}

// A ramp over most of the 24-bit range, in both signs.
std::vector<int32_t> Ramp24(int count) {
    std::vector<int32_t> out;
    for (int i = 0; i < count; ++i) out.push_back((i * 40009) % 0x1000000 - 0x800000);
    return out;
}

}  // namespace

TEST(NoiseSources, StartWithTheKnownSequences) {
    CTriangleNoise triangle;
    EXPECT_EQ(triangle.Next(16), 6350);
    EXPECT_EQ(triangle.Next(16), -32669);
    EXPECT_EQ(triangle.Next(16), 14274);
    EXPECT_EQ(triangle.Next(16), 15781);

    CMSequenceNoise steps;
    EXPECT_EQ(steps.Step(), 0xE65C4D18u);
    EXPECT_EQ(steps.Step(), 0x4EAF8FB8u);
    EXPECT_EQ(steps.Step(), 0xA5A49C79u);
    EXPECT_EQ(steps.Step(), 0x03899E4Du);

    CMSequenceNoise sequence;
    EXPECT_EQ(sequence.Next(16), 6789);
    EXPECT_EQ(sequence.Next(16), -17903);
    EXPECT_EQ(sequence.Next(16), 8763);
    EXPECT_EQ(sequence.Next(16), 16539);
}

// Each device open sets up a reducer; the noise must run on, not restart.
TEST(NoiseSources, RunOnAcrossReducers) {
    CTriangleNoise expected = ProcessTriangleNoise();
    std::vector<int32_t> silence(4, 0);
    std::vector<int32_t> first = To16(silence, 2, 3, DitherTriangle);
    std::vector<int32_t> second = To16(silence, 2, 3, DitherTriangle);
    first.insert(first.end(), second.begin(), second.end());
    for (int32_t got : first) EXPECT_EQ(got, expected.Next(16) >> 15);
}

TEST(MmeReduction, NoDitherTruncatesTowardMinusInfinity) {
    EXPECT_EQ(To16({-1, 1, -256, -257, 0x7FFFFF, -0x800000, 0x1234FF, -0x1234FF}, 2, 3, DitherNone),
              (std::vector<int32_t>{-1, 0, -1, -2, 32767, -32768, 0x1234, -0x1235}));
    EXPECT_EQ(To16({-1, 0x7FFFFFFF, INT32_MIN, 0x00010000}, 2, 4, DitherNone),
              (std::vector<int32_t>{-1, 32767, -32768, 1}));

    // A 48-bit integer file: its top bytes are the sample.
    const std::vector<uint8_t> wide{0x11, 0x22, 0x33, 0x44, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xCB, 0xED};
    CSampleReducer reducer;
    reducer.Setup(2, 6, 16, DitherNone);
    std::vector<uint8_t> out(4);
    reducer.To16(wide.data(), out.data(), 1);
    EXPECT_EQ(Unpack(out, 2), (std::vector<int32_t>{0x1234, -0x1235}));
}

TEST(MmeReduction, FullScaleNeverWrapsWithDither) {
    for (int32_t dither : {DitherTriangle, DitherMSequence, DitherNoiseShaping}) {
        std::vector<int32_t> loud;
        for (int i = 0; i < 2000; ++i) loud.push_back(i % 2 ? 0x7FFFFF : -0x800000);
        std::vector<int32_t> out = To16(loud, 2, 3, dither);
        for (size_t i = 0; i < out.size(); ++i) {
            if (i % 2) {
                ASSERT_GE(out[i], 32760) << "dither " << dither << " sample " << i;
            } else {
                ASSERT_LE(out[i], -32760) << "dither " << dither << " sample " << i;
            }
        }
    }
}

// Dither follows the signal: high-pass triangular noise spans two steps either way and the
// shift drops at most one more; shaping pushes the error further but keeps the level.
TEST(MmeReduction, DitherTracksTheInput) {
    std::vector<int32_t> ramp = Ramp24(4000);
    for (int32_t dither : {DitherTriangle, DitherMSequence, DitherNoiseShaping}) {
        std::vector<int32_t> out = To16(ramp, 2, 3, dither);
        const double limit = dither == DitherNoiseShaping ? 12.0 : 3.0;
        double sum = 0;
        for (size_t i = 0; i < ramp.size(); ++i) {
            double error = out[i] - ramp[i] / 256.0;
            ASSERT_LE(std::abs(error), limit) << "dither " << dither << " sample " << i;
            sum += error;
        }
        EXPECT_LT(std::abs(sum / ramp.size()), 0.6) << "dither " << dither;
    }
}

// Every channel has its own shaper, fed in frame order from the one triangle noise; a mono
// stream uses the first shaper alone.
TEST(MmeReduction, NoiseShapingKeepsOneShaperPerChannel) {
    for (int channels : {1, 2, 4}) {
        std::vector<int32_t> samples = Ramp24(600 * channels);
        CTriangleNoise noise = ProcessTriangleNoise();
        std::vector<CNoiseShaper> shapers(static_cast<size_t>(channels));
        std::vector<int32_t> expected;
        for (size_t i = 0; i < samples.size(); ++i) {
            int32_t a = shapers[i % channels].Process(static_cast<float>((samples[i] * 256) >> 1), 16, noise);
            a = a < kClipMin ? kClipMin : (a > kClipMax ? kClipMax : a);
            expected.push_back(a >> 15);
        }
        EXPECT_EQ(To16(samples, channels, 3, DitherNoiseShaping), expected) << channels << " channels";
    }
}

TEST(AsioReduction, MasksPerDitherType) {
    std::vector<int32_t> ramp32;
    for (int32_t s : Ramp24(2000)) ramp32.push_back(s * 256 + (s & 0xFF));
    for (int bits : {16, 20, 24}) {
        const int32_t below = (1 << (32 - bits)) - 1;  // bits under the resolution
        for (int32_t dither : {DitherNone, DitherTriangle, DitherMSequence, DitherNoiseShaping}) {
            std::vector<int32_t> out = KeepWidth(ramp32, 4, bits, dither);
            int unmasked = 0;
            for (size_t i = 0; i < out.size(); ++i) {
                if (out[i] & below) ++unmasked;
                if (dither == DitherNone) {
                    ASSERT_EQ(out[i], ramp32[i] & ~below);
                }
            }
            // Triangle output is reduced to the resolution; M sequence and shaping output
            // keeps its low bits.
            if (dither == DitherNone || dither == DitherTriangle) {
                EXPECT_EQ(unmasked, 0) << bits << " bits, dither " << dither;
            } else {
                EXPECT_GT(unmasked, 1000) << bits << " bits, dither " << dither;
            }
        }
    }
}

TEST(AsioReduction, TwentyFourBitSourceKeepsItsWidth) {
    std::vector<int32_t> ramp = Ramp24(2000);
    EXPECT_EQ(KeepWidth(ramp, 3, 24, DitherNone), ramp);
    std::vector<int32_t> out = KeepWidth(ramp, 3, 20, DitherNone);
    for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(out[i], ramp[i] & ~0xF);

    CMSequenceNoise noise = ProcessMSequenceNoise();
    out = KeepWidth(ramp, 3, 20, DitherMSequence);
    for (size_t i = 0; i < ramp.size(); ++i) {
        int32_t a = ((ramp[i] * 256) >> 1) + noise.Next(20);
        a = a < kClipMin ? kClipMin : (a > kClipMax ? kClipMax : a);
        ASSERT_EQ(out[i], static_cast<int32_t>(static_cast<uint32_t>(a) << 1) >> 8) << i;
    }

    // Wider than a word: the top four bytes are reduced, the bytes below become 0.
    const std::vector<uint8_t> wide{0x11, 0x22, 0x33, 0x44, 0x34, 0x12, 0x11, 0x22, 0x33, 0x44, 0x34, 0x12};
    CSampleReducer reducer;
    reducer.Setup(2, 6, 24, DitherNone);
    std::vector<uint8_t> kept(wide.size(), 0xAA);
    reducer.KeepWidth(wide.data(), kept.data(), 1);
    EXPECT_EQ(kept, (std::vector<uint8_t>{0, 0, 0, 0x44, 0x34, 0x12, 0, 0, 0, 0x44, 0x34, 0x12}));
}

TEST(AsioReduction, EightBitBecomesSigned) {
    std::vector<uint8_t> in{0, 1, 127, 128, 255}, out(in.size());
    SignEightBit(in.data(), out.data(), static_cast<uint32_t>(in.size()));
    EXPECT_EQ(out, (std::vector<uint8_t>{0x80, 0x81, 0xFF, 0x00, 0x7F}));
}
