#include "sources/AiffFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/posix/ReportRecorder.h"
#include "support/native/AudioFixtures.h"

namespace {

Bytes Counting(size_t bytes) {
    Bytes b;
    for (size_t i = 0; i < bytes; ++i) b.v.push_back(static_cast<uint8_t>(i * 11 + 3));
    return b;
}

Bytes Aiff(uint16_t channels, uint16_t bits, const Bytes& sound, uint32_t ssndOffset = 0) {
    const uint32_t frames = static_cast<uint32_t>(sound.v.size() / (channels * ((bits + 7) / 8)));
    return Form("AIFF", Bytes().Add(AiffComm(channels, frames, bits, 44100)).Add(AiffSsnd(ssndOffset, sound)));
}

std::vector<uint8_t> LittleEndian(const Bytes& stored, size_t width) {
    std::vector<uint8_t> out = stored.v;
    for (size_t i = 0; i + width <= out.size(); i += width) std::reverse(out.begin() + i, out.begin() + i + width);
    return out;
}

// Reads everything in chunks of `chunk` bytes.
std::vector<uint8_t> ReadInChunks(CAudioFile& reader, uint32_t chunk) {
    std::vector<uint8_t> all, part(chunk);
    for (int n; (n = reader.Read(part.data(), chunk)) > 0;) all.insert(all.end(), part.begin(), part.begin() + n);
    return all;
}

TEST(AiffFile, ExtendedRateIsConvertedAndTruncated) {
    const uint8_t rate44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ExtendedToDouble(rate44100), 44100.0);
    EXPECT_EQ(ExtendedToDouble(Extended(0.75).v.data()), 0.75);
    EXPECT_EQ(ExtendedToDouble(Bytes().Fill(10).v.data()), 0.0);
    const uint8_t infinite[10] = {0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ExtendedToDouble(infinite), -INFINITY);

    CAiffFile reader;
    const Bytes file = Form("AIFF", Bytes().Add(AiffComm(1, 4, 16, 22050.9)).Add(AiffSsnd(0, Counting(8))));
    ASSERT_TRUE(reader.Open(WriteTemp("rate.aiff", file)));
    EXPECT_EQ(reader.Format().sampleRate, 22050);
}

TEST(AiffFile, SamplesAreDeliveredLittleEndian) {
    CAiffFile reader;
    const Bytes stored = Bytes().Be(0x12345678, 4).Be(0x9ABCDEF0, 4).Be(0x0F1E2D3C, 4);  // 12 bytes: whole samples of every width
    for (uint16_t bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        ASSERT_TRUE(reader.Open(WriteTemp("order.aiff", Aiff(1, bits, stored))));
        const AudioFormatInfo& f = reader.Format();
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.blockAlign, bits / 8);
        EXPECT_EQ(f.totalFrames, 12u / (bits / 8));
        EXPECT_EQ(ReadInChunks(reader, 4096), LittleEndian(stored, bits / 8));  // 8-bit: as stored
        reader.Close();
    }
}

// Sizes that are not whole bytes are stored left-justified in whole bytes (12 bits in 2,
// 20 in 3) and play as that container, as libsndfile reads them.
TEST(AiffFile, NarrowSampleSizesPlayAsTheirWholeBytes) {
    for (uint16_t bits : {12, 20, 28}) {
        SCOPED_TRACE(bits);
        const uint32_t width = (bits + 7u) / 8;
        Bytes sound;
        for (uint32_t i = 0; i < 2 * 301; ++i)
            sound.Be(uint64_t{i * 2654435761u >> (32 - bits)} << (8 * width - bits), static_cast<int>(width));
        WriteTemp("narrow.aiff", Aiff(2, bits, sound));
        const ReferencePcm ref = DecodeWithSndfile(TempPath("narrow.aiff"));
        ASSERT_TRUE(ref.ok);
        CAiffFile reader;
        ASSERT_TRUE(reader.Open(Wide(TempPath("narrow.aiff"))));
        const AudioFormatInfo& f = reader.Format();
        EXPECT_EQ(f.bitsPerSample, static_cast<int32_t>(8 * width));
        EXPECT_EQ(f.blockAlign, static_cast<int32_t>(2 * width));
        EXPECT_EQ(f.totalFrames, 301u);
        EXPECT_EQ(ReadInChunks(reader, 7), ref.pcm);
    }
}

// The engine's quarter blocks may end inside a sample: every chunk size, and a seek
// between split reads, must give the same little-endian stream.
TEST(AiffFile, ReadsThatSplitSamplesStayAligned) {
    const Bytes stored = Counting(6 * 40);
    CAiffFile reader;
    for (uint16_t bits : {16, 24, 32}) {
        const size_t width = bits / 8;
        const std::vector<uint8_t> expected = LittleEndian(stored, width);
        ASSERT_TRUE(reader.Open(WriteTemp("split.aiff", Aiff(2, bits, stored))));
        // Longer chunks take the sixteen-byte swap, with a tail of every length after it.
        for (uint32_t chunk : {1, 2, 3, 4, 5, 6, 7, 8, 9, 47, 61, 240}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, chunk " << chunk);
            EXPECT_EQ(reader.Seek(0), 0);
            EXPECT_EQ(ReadInChunks(reader, chunk), expected);
            const uint32_t frame = 3;
            EXPECT_EQ(reader.Seek(frame), static_cast<int>(frame));
            const std::vector<uint8_t> rest = ReadInChunks(reader, chunk);
            EXPECT_TRUE(std::equal(rest.begin(), rest.end(), expected.begin() + frame * 2 * width, expected.end()));
        }
        reader.Close();
    }
}

// A file that ends before the data it declares: whole samples are still converted, the
// cut sample is passed on as stored, and nothing is read past the file.
TEST(AiffFile, DataCutShortByTheFileEnd) {
    const Bytes stored = Counting(3 * 7 + 2);
    Bytes file = Form("AIFF", Bytes().Add(AiffComm(1, 100, 24, 44100)).Add(AiffSsnd(0, stored)));
    CAiffFile reader;
    ASSERT_TRUE(reader.Open(WriteTemp("cut.aiff", file)));
    std::vector<uint8_t> expected = LittleEndian(stored, 3);
    for (uint32_t chunk : {1u, 2u, 4u, 4096u}) {
        reader.Seek(0);
        EXPECT_EQ(ReadInChunks(reader, chunk), expected) << chunk;
    }
}

TEST(AiffFile, SoundDataStartsAfterTheSsndOffset) {
    CAiffFile reader;
    const Bytes sound = Bytes().Be(0xAAAA, 2).Be(0x1234, 2).Be(0x5678, 2);
    ASSERT_TRUE(reader.Open(WriteTemp("off0.aiff", Aiff(1, 16, sound, 0))));
    const uint32_t atZero = reader.Format().dataOffset;
    EXPECT_EQ(atZero, 12u + 26 + 16);
    EXPECT_EQ(ReadInChunks(reader, 2).front(), 0xAA);
    reader.Close();
    // Offset 4 skips four bytes; the frame count still comes from COMM.
    const Bytes file = Form("AIFF", Bytes().Add(AiffComm(1, 1, 16, 44100)).Add(AiffSsnd(4, sound)));
    ASSERT_TRUE(reader.Open(WriteTemp("off4.aiff", file)));
    EXPECT_EQ(reader.Format().dataOffset, atZero + 4);
    EXPECT_EQ(ReadInChunks(reader, 2), (std::vector<uint8_t>{0x78, 0x56}));
}

TEST(AiffFile, UnsupportedShapesAreRejectedWithAMessage) {
    const Bytes comm = AiffComm(2, 2, 16, 44100);
    const Bytes ssnd = AiffSsnd(0, Counting(8));
    const struct {
        const char* what;
        Bytes file;
    } shapes[] = {
        {"compressed AIFC", Form("AIFC", Bytes().Add(comm).Add(ssnd))},
        {"22-byte COMM", Form("AIFF", Bytes().Add(AiffComm(2, 2, 16, 44100, 22)).Add(ssnd))},
        {"COMM size that wraps", Form("AIFF", Bytes().Id("COMM").Be(0xFFFFFFF8, 4).Add(Bytes().Fill(18)).Add(ssnd))},
        {"SSND before COMM", Form("AIFF", Bytes().Add(ssnd).Add(comm))},
        {"file ends before SSND", Form("AIFF", comm)},
        {"SSND header cut short", Form("AIFF", Bytes().Add(comm).Id("SSND").Be(8, 4).Be(0, 2))},
        {"COMM cut short", Form("AIFF", Bytes().Id("COMM").Be(18, 4).Fill(10))},
        {"infinite rate",
         Form("AIFF", Bytes().Add(Chunk("COMM", Bytes().Be(2, 2).Be(2, 4).Be(16, 2).Be(0x7FFF, 2).Be(1ull << 63, 8), true)).Add(ssnd))},
        {"not FORM", Bytes().Id("RIFF").Be(0, 4).Id("AIFF").Add(comm).Add(ssnd)},
        {"SSND past 16 KiB",
         Form("AIFF", Bytes().Add(comm).Add(Chunk("APPL", Bytes().Fill(16384 - 12 - 26 - 7), true)).Add(ssnd))},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.what);
        const std::wstring path = WriteTemp("bad.aiff", shape.file);
        CAiffFile reader;
        platform::ReportRecorder::Clear();
        EXPECT_EQ(reader.Open(path), 0);
        int minutes = -1, seconds = -1;
        EXPECT_EQ(reader.GetLength(path, minutes, seconds), 0);
        EXPECT_EQ(minutes, -1);
        const auto reports = platform::ReportRecorder::Take();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, L"サポートしていないファイルです。");
        EXPECT_EQ(reports[0].caption, L"Error - Orvane -");
    }
    // The chunk that ends exactly at 16 KiB is still walked past.
    CAiffFile reader;
    const Bytes edge = Form("AIFF", Bytes().Add(comm).Add(Chunk("APPL", Bytes().Fill(16384 - 12 - 26 - 8), true)).Add(ssnd));
    EXPECT_NE(reader.Open(WriteTemp("edge.aiff", edge)), 0);
}

TEST(AiffFile, LengthRoundsUpToTheNextSecond) {
    CAiffFile reader;
    int minutes = -1, seconds = -1;
    const Bytes threeMinutes = Form("AIFF", Bytes().Add(AiffComm(2, 44100 * 180, 16, 44100)).Add(AiffSsnd(0, Bytes())));
    ASSERT_TRUE(reader.GetLength(WriteTemp("long.aiff", threeMinutes), minutes, seconds));
    EXPECT_EQ(minutes, 3);
    EXPECT_EQ(seconds, 1);
    minutes = seconds = -1;
    const Bytes noRate = Form("AIFF", Bytes().Add(AiffComm(2, 100, 16, 0)).Add(AiffSsnd(0, Bytes())));
    EXPECT_FALSE(reader.GetLength(WriteTemp("norate.aiff", noRate), minutes, seconds));
    EXPECT_EQ(minutes, -1);
}

}  // namespace
