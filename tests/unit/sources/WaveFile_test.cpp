#include "sources/WaveFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/Report.h"
#include "platform/posix/ReportRecorder.h"
#include "support/native/AudioFixtures.h"

namespace {

// Frames of 16-bit stereo whose bytes count up, so any misplaced byte shows.
Bytes Counting(size_t bytes) {
    Bytes b;
    for (size_t i = 0; i < bytes; ++i) b.v.push_back(static_cast<uint8_t>(i * 7 + 1));
    return b;
}

Bytes Stereo16(const Bytes& before, const Bytes& data) {
    return RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16)).Add(before).Add(Chunk("data", data)));
}

std::vector<uint8_t> ReadBytes(CAudioFile& reader, uint32_t count) {
    std::vector<uint8_t> out(count);
    out.resize(static_cast<size_t>(std::max(0, reader.Read(out.data(), count))));
    return out;
}

std::vector<uint8_t> Slice(const Bytes& b, size_t from, size_t count) {
    return std::vector<uint8_t>(b.v.begin() + static_cast<long>(from), b.v.begin() + static_cast<long>(from + count));
}

// A 40-byte extensible format chunk, 2 channels at 44.1 kHz, whose sub-format GUID
// carries `subTag` (1 integer PCM, 3 IEEE float) in its first two bytes.
Bytes ExtensibleFmt(uint16_t subTag, uint16_t bits, uint16_t extraSize = 22, uint16_t validBits = 0,
                    uint64_t guidTail = 0x800000AA00389B71) {
    const uint32_t align = 2u * bits / 8;
    Bytes body;
    body.Le(0xFFFE, 2).Le(2, 2).Le(44100, 4).Le(44100 * align, 4).Le(align, 2).Le(bits, 2);
    body.Le(extraSize, 2).Le(validBits ? validBits : bits, 2).Le(3, 4);
    body.Le(subTag, 2).Le(0, 4).Le(0x10, 2).Be(guidTail, 8);
    return Chunk("fmt ", body);
}

struct Shape {
    const char* what;
    Bytes file;
    int32_t tag;  // the tag reported; 0: rejected
};

TEST(WaveFile, HeaderRulesDecideWhatIsRead) {
    const Bytes data = Chunk("data", Counting(40));
    const Bytes dataHeader = Bytes().Id("data").Le(0xFFFFFFFF, 4);
    const Bytes filler = Chunk("JUNK", Bytes().Fill(16384 - 44));  // ends at 16,384
    const Shape shapes[] = {
        {"integer PCM", RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16)).Add(data)), 1},
        {"float with an 18-byte format", RiffWave(Bytes().Add(WaveFmt(3, 1, 48000, 32, 18)).Add(data)), 3},
        {"40-byte format", RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16, 40)).Add(data)), 1},
        {"42-byte format", RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16, 42)).Add(data)), 0},
        {"extensible PCM in RIFF", RiffWave(Bytes().Add(ExtensibleFmt(1, 24)).Add(data)), 1},
        {"extensible float in RIFF", RiffWave(Bytes().Add(ExtensibleFmt(3, 32)).Add(data)), 3},
        {"extensible ADPCM in RIFF", RiffWave(Bytes().Add(ExtensibleFmt(2, 16)).Add(data)), 0},
        {"extensible PCM tag, foreign GUID", RiffWave(Bytes().Add(ExtensibleFmt(1, 16, 22, 0, 1)).Add(data)), 0},
        {"extensible PCM, extra size 0", RiffWave(Bytes().Add(ExtensibleFmt(1, 24, 0)).Add(data)), 0},
        {"extensible in 18 bytes", RiffWave(Bytes().Add(WaveFmt(0xFFFE, 2, 44100, 24, 18)).Add(data)), 0},
        {"ADPCM in RIFF", RiffWave(Bytes().Add(WaveFmt(2, 2, 44100, 4, 20)).Add(data)), 0},
        {"extensible PCM in RF64", Rf64Wave(40, Bytes().Add(ExtensibleFmt(1, 24)).Add(dataHeader)), 1},
        // The devices play integer and float PCM only, whatever the container.
        {"extensible ADPCM in RF64", Rf64Wave(40, Bytes().Add(ExtensibleFmt(2, 16)).Add(dataHeader)), 0},
        {"extensible, extra size 0, in RF64", Rf64Wave(40, Bytes().Add(ExtensibleFmt(1, 24, 0)).Add(dataHeader)), 0},
        {"ADPCM in RF64", Rf64Wave(40, Bytes().Add(WaveFmt(2, 2, 44100, 4, 20)).Add(dataHeader)), 0},
        {"42-byte format in RF64", Rf64Wave(40, Bytes().Add(WaveFmt(1, 2, 44100, 16, 42)).Add(dataHeader)), 0},
        {"RF64 without ds64 first", Bytes().Id("RF64").Le(0, 4).Id("WAVE").Add(WaveFmt(1, 2, 44100, 16)).Add(data), 0},
        {"not WAVE", Bytes().Id("RIFF").Le(0, 4).Id("AVI ").Add(WaveFmt(1, 2, 44100, 16)).Add(data), 0},
        {"big-endian RIFX", Bytes().Id("RIFX").Le(0, 4).Id("WAVE").Add(WaveFmt(1, 2, 44100, 16)).Add(data), 0},
        {"no format chunk", RiffWave(data), 0},
        {"file ends before data", RiffWave(WaveFmt(1, 2, 44100, 16)), 0},
        {"format body cut short", Bytes().Id("RIFF").Le(0, 4).Id("WAVE").Id("fmt ").Le(16, 4).Fill(10), 0},
        {"chunk ending at 16 KiB", RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16)).Add(filler).Add(data)), 1},
        {"chunk ending past 16 KiB",
         RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16)).Add(Chunk("JUNK", Bytes().Fill(16384 - 43))).Add(data)), 0},
        {"huge chunk size", RiffWave(Bytes().Add(WaveFmt(1, 2, 44100, 16)).Id("JUNK").Le(0xFFFFFFFF, 4).Add(data)), 0},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.what);
        const std::wstring path = WriteTemp("shape.wav", shape.file);
        CWaveFile reader;
        platform::ReportRecorder::Clear();
        const bool accepted = shape.tag != 0;
        EXPECT_EQ(reader.Open(path) != 0, accepted);
        const auto reports = platform::ReportRecorder::Take();
        int minutes = -1, seconds = -1;
        EXPECT_EQ(reader.GetLength(path, minutes, seconds) != 0, accepted);
        if (accepted) {
            EXPECT_TRUE(reports.empty());
            EXPECT_EQ(reader.Format().formatTag, shape.tag);
            EXPECT_EQ(reader.Format().dataSize, 40u);
            EXPECT_EQ(reader.Format().dataEnd - reader.Format().dataOffset, 40u);
        } else {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0].text, L"サポートしていないファイルです。");
            EXPECT_EQ(reports[0].caption, L"Error - Orvane -");
            EXPECT_EQ(reports[0].style, platform::ReportErrorStyle);
            EXPECT_EQ(minutes, -1);  // the length query shows nothing either
        }
        EXPECT_TRUE(platform::ReportRecorder::Take().empty());
    }
}

TEST(WaveFile, FormatRecordOfACanonicalFileAndAnExtensibleRf64) {
    CWaveFile reader;
    ASSERT_TRUE(reader.Open(WriteTemp("canonical.wav", Stereo16(Bytes(), Counting(400)))));
    const AudioFormatInfo& f = reader.Format();
    EXPECT_EQ(f.dataOffset, 44u);
    EXPECT_EQ(f.totalFrames, 100u);
    EXPECT_EQ(f.dataEnd, 444u);
    EXPECT_EQ(f.sampleRate, 44100);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.formatTag, 1);
    reader.Close();

    // The RF64 data size comes from ds64; the data chunk's own size field is ignored.
    Bytes rf64 = Rf64Wave(600, Bytes().Add(ExtensibleFmt(3, 32)).Id("data").Le(12, 4));
    ASSERT_TRUE(reader.Open(WriteTemp("ext.wav", rf64.Add(Counting(600)))));
    EXPECT_EQ(reader.Format().formatTag, 3);
    EXPECT_EQ(reader.Format().dataOffset, 12u + 36 + 48 + 8);
    EXPECT_EQ(reader.Format().totalFrames, 600u / 8);
    reader.Close();

    // 20 valid bits in a 24-bit container play as the container.
    const Bytes valid20 = RiffWave(Bytes().Add(ExtensibleFmt(1, 24, 22, 20)).Add(Chunk("data", Counting(60))));
    ASSERT_TRUE(reader.Open(WriteTemp("valid20.wav", valid20)));
    EXPECT_EQ(reader.Format().formatTag, 1);
    EXPECT_EQ(reader.Format().bitsPerSample, 24);
    EXPECT_EQ(reader.Format().blockAlign, 6);
    EXPECT_EQ(reader.Format().totalFrames, 10u);
}

TEST(WaveFile, OddChunkIsSkippedWithoutPadByte) {
    const Bytes pcm = Counting(64);
    CWaveFile reader;
    ASSERT_TRUE(reader.Open(WriteTemp("odd.wav", Stereo16(Chunk("note", Bytes().Fill(3, 'x')), pcm))));
    EXPECT_EQ(reader.Format().dataOffset, 44u + 11);
    EXPECT_EQ(ReadBytes(reader, 64), pcm.v);
}

TEST(WaveFile, ReadAndSeekStayInsideTheData) {
    const Bytes pcm = Counting(400);  // 100 frames; a chunk after the data must never be read
    const std::wstring path = WriteTemp("rw.wav", Stereo16(Bytes(), pcm).Add(Chunk("LIST", Bytes().Fill(64, 0xEE))));
    CWaveFile reader;
    EXPECT_EQ(reader.Seek(0), -1);
    EXPECT_EQ(reader.Read(nullptr, 4), 0);
    ASSERT_TRUE(reader.Open(path));
    platform::ReportRecorder::Clear();
    EXPECT_EQ(reader.Open(path), 0);  // already open: refused without a message
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());

    EXPECT_EQ(ReadBytes(reader, 3), Slice(pcm, 0, 3));  // byte-exact, not whole frames
    EXPECT_EQ(ReadBytes(reader, 1000), Slice(pcm, 3, 397));
    EXPECT_EQ(reader.Read(nullptr, 1000), 0);
    EXPECT_EQ(reader.Seek(10), 10);
    EXPECT_EQ(ReadBytes(reader, 4), Slice(pcm, 40, 4));
    EXPECT_EQ(reader.Seek(100), 100);  // the end itself is a valid position
    EXPECT_EQ(reader.Read(nullptr, 4), 0);
    EXPECT_EQ(reader.Seek(101), 0);  // beyond it: back to the start
    EXPECT_EQ(ReadBytes(reader, 8), Slice(pcm, 0, 8));

    reader.Close();
    reader.Close();
    EXPECT_EQ(reader.Seek(1), -1);
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(ReadBytes(reader, 4), Slice(pcm, 0, 4));
}

TEST(WaveFile, OpenReportsAMissingFile) {
    CWaveFile reader;
    platform::ReportRecorder::Clear();
    EXPECT_EQ(reader.Open(Wide(TempPath("missing.wav"))), 0);
    const auto reports = platform::ReportRecorder::Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, L"ファイルをオープンできません。");
    EXPECT_EQ(reports[0].caption, L"Error - Orvane -");
    EXPECT_EQ(reports[0].style, platform::ReportErrorStyle);
}

TEST(WaveFile, LengthRoundsUpAndLeavesThePlayingStreamAlone) {
    CWaveFile reader;
    int minutes = -1, seconds = -1;
    // 2.0 s reports 0:03; the length comes from the header, not the bytes present.
    const Bytes twoSeconds = RiffWave(Bytes().Add(WaveFmt(1, 1, 44100, 8)).Add(Chunk("data", Bytes().Fill(88200))));
    ASSERT_TRUE(reader.GetLength(WriteTemp("two.wav", twoSeconds), minutes, seconds));
    EXPECT_EQ(minutes, 0);
    EXPECT_EQ(seconds, 3);
    const Bytes claimed = RiffWave(Bytes().Add(WaveFmt(1, 1, 8000, 16)).Id("data").Le(8000 * 2 * 125 - 2, 4));
    ASSERT_TRUE(reader.GetLength(WriteTemp("claimed.wav", claimed), minutes, seconds));
    EXPECT_EQ(minutes, 2);
    EXPECT_EQ(seconds, 5);

    minutes = seconds = -1;
    platform::ReportRecorder::Clear();
    EXPECT_FALSE(reader.GetLength(Wide(TempPath("missing.wav")), minutes, seconds));
    const Bytes noRate = RiffWave(Bytes().Add(WaveFmt(1, 1, 0, 16)).Add(Chunk("data", Bytes().Fill(8))));
    EXPECT_FALSE(reader.GetLength(WriteTemp("norate.wav", noRate), minutes, seconds));
    EXPECT_EQ(minutes, -1);
    EXPECT_EQ(seconds, -1);
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());

    // Asking for another file's length while one plays keeps the stream and its format.
    const Bytes pcm = Counting(400);
    ASSERT_TRUE(reader.Open(WriteTemp("playing.wav", Stereo16(Bytes(), pcm))));
    EXPECT_EQ(ReadBytes(reader, 6), Slice(pcm, 0, 6));
    ASSERT_TRUE(reader.GetLength(WriteTemp("two.wav", twoSeconds), minutes, seconds));
    EXPECT_EQ(reader.Format().totalFrames, 100u);
    EXPECT_EQ(reader.Format().sampleRate, 44100);
    EXPECT_EQ(ReadBytes(reader, 6), Slice(pcm, 6, 6));
}

// A sparse RF64 file with more than 4 GiB of data: read and sought past the 32-bit limit.
// A ds64 size that no file can hold, a writer's placeholder or damage, plays what the file
// has: the end it names would wrap around or lie past any file offset.
TEST(WaveFile, Rf64SizeBeyondAnyFilePlaysTheRestOfTheFile) {
    for (uint64_t size : {~uint64_t{0}, ~uint64_t{0} - 60, uint64_t{1} << 63}) {
        SCOPED_TRACE(size);
        const Bytes header = Rf64Wave(size, Bytes().Add(WaveFmt(1, 2, 44100, 16)).Id("data").Le(0xFFFFFFFF, 4));
        CWaveFile reader;
        ASSERT_TRUE(reader.Open(WriteTemp("placeholder.wav", Bytes().Add(header).Add(Counting(400)))));
        EXPECT_EQ(reader.Format().dataSize, 400u);
        EXPECT_EQ(reader.Format().totalFrames, 100u);
        EXPECT_EQ(ReadBytes(reader, 4096), Counting(400).v);
    }
}

TEST(WaveFile, Rf64DataBeyondFourGiB) {
    const uint64_t dataSize = (uint64_t{4} << 30) + 4 * 1000;  // 16-bit stereo frames
    const Bytes header = Rf64Wave(dataSize, Bytes().Add(WaveFmt(1, 2, 48000, 16)).Id("data").Le(0xFFFFFFFF, 4));
    const uint32_t frames = static_cast<uint32_t>(dataSize / 4);
    const uint32_t farFrame = (1u << 30) + 5;  // byte offset 4 GiB + 20
    const std::string path = TempPath("big.rf64.wav");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(header.v.data()), static_cast<std::streamsize>(header.v.size()));
        out.seekp(static_cast<std::streamoff>(header.v.size() + uint64_t{farFrame} * 4));
        out.write("ABCD", 4);
        out.seekp(static_cast<std::streamoff>(header.v.size() + dataSize - 4));
        out.write("WXYZ", 4);
        ASSERT_TRUE(out.good());
    }
    CWaveFile reader;
    ASSERT_TRUE(reader.Open(Wide(path)));
    EXPECT_EQ(reader.Format().dataSize, dataSize);
    EXPECT_EQ(reader.Format().totalFrames, frames);
    EXPECT_EQ(reader.Format().dataEnd, header.v.size() + dataSize);
    EXPECT_EQ(reader.Seek(farFrame), static_cast<int>(farFrame));
    EXPECT_EQ(ReadBytes(reader, 4), (std::vector<uint8_t>{'A', 'B', 'C', 'D'}));
    EXPECT_EQ(reader.Seek(frames - 1), static_cast<int>(frames - 1));
    EXPECT_EQ(ReadBytes(reader, 4096), (std::vector<uint8_t>{'W', 'X', 'Y', 'Z'}));
    EXPECT_EQ(reader.Read(nullptr, 4096), 0);
    EXPECT_EQ(reader.Seek(frames + 1), 0);
    int minutes = 0, seconds = 0;
    ASSERT_TRUE(reader.GetLength(Wide(path), minutes, seconds));
    EXPECT_EQ(minutes * 60 + seconds, frames / 48000 + 1);
    reader.Close();
    std::remove(path.c_str());
}

}  // namespace
