// MPEG files made by lame, ffmpeg and sox, decoded through the native mpglib over
// libmpg123: what the reader delivers must be what mpg123 itself decodes from the file.
#include "sources/MpegFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/Report.h"
#include "platform/posix/ReportRecorder.h"
#include "support/native/AudioFixtures.h"

namespace {

struct MpegCase {
    const char* name;
    const char* make;  // "%s" is the output path
    int rate;
    int channels;
    int kbps;             // of the first frame; 0 free format
    int frameSamples;     // per channel
    bool xing;            // a "Xing" header (lame writes "Info" for CBR)
    bool tag;             // ends in an ID3v1 block
    int64_t dataOffset;   // -1: not checked here
    bool vbrWithoutXing;  // the first frame's bitrate says little about the length
};

void PrintTo(const MpegCase& c, std::ostream* out) { *out << c.name; }

#define SWEEP(rate, ch) "sox -V1 -n -r " #rate " -c " #ch " -t wav - synth 1.5 sine 100-5000 sine 3000-200 | "
#define LAME "lame --quiet --noreplaygain "
#define FFMPEG(rate, ch) "ffmpeg -v error -y -f lavfi -i 'sine=f=300:d=1.5,aeval=sin(t*t*900)' -ar " #rate " -ac " #ch " "

const MpegCase kCases[] = {
    {"cbr128_info.mp3", SWEEP(44100, 2) LAME "-b 128 - %s", 44100, 2, 128, 1152, false, false, 0, false},
    {"cbr128_notag.mp3", SWEEP(44100, 2) LAME "-b 128 -t - %s", 44100, 2, 128, 1152, false, false, 0, false},
    {"vbr_xing.mp3", SWEEP(44100, 2) LAME "-V 2 - %s", 44100, 2, 0, 1152, true, false, 0, false},
    {"vbr_noxing.mp3", SWEEP(44100, 2) LAME "-V 2 -t - %s", 44100, 2, 0, 1152, false, false, 0, true},
    {"id3v2.mp3", SWEEP(44100, 2) LAME "-b 160 --id3v2-only --tt Orvane --ta Kellbrook - %s", 44100, 2, 160, 1152,
     false, false, -1, false},
    {"id3v2_267.mp3",
     "{ printf 'ID3\\3\\0\\0\\0\\0\\2\\1'; head -c 257 /dev/zero; " SWEEP(44100, 2) LAME "-b 128 -t - -; } > %s",
     44100, 2, 128, 1152, false, false, 267, false},
    {"id3v1.mp3", SWEEP(44100, 1) LAME "-b 64 --id3v1-only --tt Orvane - %s", 44100, 1, 64, 1152, false, true, 0, false},
    {"mpeg1_32k_mono.mp3", SWEEP(32000, 1) LAME "-b 48 -t - %s", 32000, 1, 48, 1152, false, false, 0, false},
    {"mpeg1_48k.mp3", FFMPEG(48000, 2) "-c:a libmp3lame -b:a 192k %s", 48000, 2, 192, 1152, false, false, -1, false},
    {"mpeg2_22k.mp3", SWEEP(22050, 2) LAME "-b 64 -t - %s", 22050, 2, 64, 576, false, false, 0, false},
    {"mpeg2_16k_vbr.mp3", SWEEP(16000, 1) LAME "-V 5 - %s", 16000, 1, 0, 576, true, false, 0, false},
    {"mpeg25_11k.mp3", SWEEP(11025, 1) LAME "-b 24 -t - %s", 11025, 1, 24, 576, false, false, 0, false},
    {"mpeg25_8k.mp3", SWEEP(8000, 2) LAME "-b 16 -t - %s", 8000, 2, 16, 576, false, false, 0, false},
    {"sox_default.mp3", "sox -V1 -n -r 44100 -c 2 %s synth 1.5 sine 100-5000 sine 3000-200", 44100, 2, 128, 1152, false,
     false, 0, false},
    {"layer2_48k.mp2", FFMPEG(48000, 2) "-c:a mp2 -b:a 192k %s", 48000, 2, 192, 1152, false, false, 0, false},
    {"layer2_24k_mono.mp2", FFMPEG(24000, 1) "-c:a mp2 -b:a 64k %s", 24000, 1, 64, 1152, false, false, 0, false},
    {"riff.rmp", FFMPEG(44100, 2) "-f wav -c:a libmp3lame -b:a 128k %s", 44100, 2, 128, 1152, false, false, 104,
     false},
    // No encoder at hand writes Layer I: frames of a 32 kbit/s 48 kHz mono header and zeros.
    {"layer1_silence.mp1", "for i in {1..200}; do printf '\\377\\377\\024\\300'; head -c 28 /dev/zero; done > %s",
     48000, 1, 32, 384, false, false, 0, false},
    {"free_format.mp3", SWEEP(44100, 2) LAME "--freeformat -b 200 - %s", 44100, 2, 0, 1152, false, false, 0, false},
};

std::string Make(const MpegCase& c) {
    const std::string path = TempPath(c.name);
    std::string command = c.make;
    command.replace(command.find("%s"), 2, "'" + path + "'");
    if (!RunTool("bash -o pipefail -c \"" + command + "\"")) return {};
    return path;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// mpg123 over the same library, every frame kept as our decoder keeps it.
std::vector<uint8_t> DecodeWithMpg123(const std::string& path) {
    const std::string out = path + ".pcm";
    RunTool("mpg123 -q --no-gapless --no-infoframe -O '" + out + "' '" + path + "'");
    return FileBytes(out);
}

std::vector<uint8_t> ReadAll(CAudioFile& reader, uint32_t chunk) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> buffer(chunk);
    for (int n; (n = reader.Read(buffer.data(), chunk)) > 0;) all.insert(all.end(), buffer.begin(), buffer.begin() + n);
    return all;
}

struct Opened {
    std::unique_ptr<CMpegFile> reader = std::make_unique<CMpegFile>(Wide(ORVANE_MPGLIB));
    std::vector<platform::RecordedReport> reports;
    int result = 0;
    explicit Opened(const std::string& path, int32_t inputBytes = 8192) {
        platform::ReportRecorder::Clear();
        reader->SetDecodeBufferSize(inputBytes);
        result = reader->Open(Wide(path));
        reports = platform::ReportRecorder::Take();
    }
};

class MpegFiles : public testing::TestWithParam<MpegCase> {};

TEST_P(MpegFiles, FormatLengthAndPcmFollowTheFile) {
    const MpegCase& c = GetParam();
    const std::string path = Make(c);
    ASSERT_FALSE(path.empty()) << c.make;
    const std::vector<uint8_t> file = FileBytes(path);
    const std::vector<uint8_t> ref = DecodeWithMpg123(path);
    ASSERT_FALSE(ref.empty());

    Opened opened(path);
    ASSERT_EQ(opened.result, 1);
    EXPECT_TRUE(opened.reports.empty());
    CMpegFile& reader = *opened.reader;
    const AudioFormatInfo& f = reader.Format();
    EXPECT_EQ(f.sampleRate, c.rate);
    EXPECT_EQ(f.channels, c.channels);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, c.channels * 2);
    EXPECT_EQ(f.formatTag, 1);
    if (c.dataOffset >= 0) {
        EXPECT_EQ(f.dataOffset, c.dataOffset);
    }
    ASSERT_LT(f.dataOffset + 1u, file.size());
    EXPECT_EQ(file[f.dataOffset], 0xFF);
    if (c.dataOffset != 104) {
        EXPECT_EQ(f.dataEnd, file.size() - (c.tag ? 128 : 0));
    }
    EXPECT_EQ(f.dataSize, f.dataEnd);

    // Whole reads and odd ones over a one-byte input buffer decode the same.
    EXPECT_EQ(reader.Read(nullptr, 0), 0);
    EXPECT_TRUE(ReadAll(reader, 1 << 20) == ref) << "whole reads";
    reader.Close();
    Opened small(path, 1);
    ASSERT_EQ(small.result, 1);
    EXPECT_TRUE(ReadAll(*small.reader, 33333) == ref) << "odd reads";

    // Lengths by the first frame's bitrate or the Xing frame count, over the bytes of MPEG
    // data; the decoded length is the truth they approximate.
    const int64_t decoded = static_cast<int64_t>(ref.size()) / (c.channels * 2);
    const double bytes = static_cast<double>(f.dataEnd - f.dataOffset);
    const int k = c.frameSamples == 576 ? 1 : 2;
    int64_t frames = 0, seconds = -1;
    if (c.xing) {
        const double n = static_cast<double>(decoded / c.frameSamples);  // the Xing frame decodes too
        frames = static_cast<int64_t>(n / bytes * (std::floor(bytes / n) * n) * 576 * k);
        const int64_t ms = static_cast<int64_t>(n) * 576 * k * 1000 / c.rate;
        seconds = ms / 1000 + (ms / 100 % 10 != 0);
    } else if (c.kbps) {
        const double frameBytes = c.kbps * 144000 / c.rate + 1;
        frames = static_cast<int64_t>((bytes - frameBytes) * 8 / c.kbps / 1000 * c.rate);
        seconds = static_cast<int64_t>(bytes) * 8 / (c.kbps * 1000);
    }
    if (c.vbrWithoutXing) return;
    EXPECT_EQ(static_cast<int64_t>(f.totalFrames), frames);
    if (c.kbps || c.xing) {
        // The rule measures MPEG-1 Layer III frames, longer than Layer I and LSF ones.
        EXPECT_NEAR(frames, decoded, 2 * 1152);
        int minutes = -1, secs = -1;
        ASSERT_EQ(reader.GetLength(Wide(path), minutes, secs), 1);
        EXPECT_EQ(minutes * 60 + secs, seconds);
    } else {
        // Free format: no length, and a seek starts the stream again.
        int minutes = -1, secs = -1;
        EXPECT_EQ(reader.GetLength(Wide(path), minutes, secs), 0);
        EXPECT_EQ(minutes, -1);
        EXPECT_EQ(small.reader->Seek(44100), 0);
        EXPECT_TRUE(ReadAll(*small.reader, 1 << 20) == ref);
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, MpegFiles, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<MpegCase>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// Where `probe` (PCM after a seek, after the decoder settled) lies in the whole decode, in
// sample frames; -1 when it is not found. A decoder restarted mid-stream may round a
// sample 1 LSB differently from the uninterrupted one.
int64_t FramePosition(const std::vector<uint8_t>& whole, const std::vector<uint8_t>& probe, int blockAlign) {
    const auto sample = [](const std::vector<uint8_t>& v, size_t i) { return int16_t(v[2 * i] | v[2 * i + 1] << 8); };
    const size_t samples = probe.size() / 2, channels = static_cast<size_t>(blockAlign / 2);
    for (size_t at = 0; (at + samples) * 2 <= whole.size(); at += channels) {
        size_t i = 0;
        while (i < samples && std::abs(sample(whole, at + i) - sample(probe, i)) <= 1) ++i;
        if (i == samples) return static_cast<int64_t>(at / channels);
    }
    return -1;
}

// The frame a seek reports against where its sound really is. The decoder needs a few
// frames after a jump before its output equals the uninterrupted decode.
int64_t SeekError(CMpegFile& reader, const std::vector<uint8_t>& whole, uint32_t target) {
    const int align = reader.Format().blockAlign;
    const int reached = reader.Seek(target);
    const int settle = 4 * 1152;
    const size_t skip = static_cast<size_t>(settle * align);
    std::vector<uint8_t> pcm(skip + static_cast<size_t>(256 * align));
    if (reader.Read(pcm.data(), static_cast<uint32_t>(pcm.size())) != static_cast<int>(pcm.size())) return INT32_MAX;
    const int64_t at = FramePosition(whole, std::vector<uint8_t>(pcm.begin() + static_cast<long>(skip), pcm.end()), align);
    return at < 0 ? INT32_MAX : at - settle - reached;
}

struct SeekCase {
    size_t file;         // index into kCases
    int64_t tolerance;   // sample frames
};

// Constant bitrate: the frame reached is where the sound is, also behind a tag or a
// wrapper and in MPEG-2.5, whose headers the resync must know. The table of contents
// lands near the target only.
TEST(MpegFile, SeekReportsWhereTheSoundIs) {
    const SeekCase cases[] = {{1, 4}, {5, 4}, {12, 4}, {16, 4}, {2, 4410}};
    for (const SeekCase& s : cases) {
        const MpegCase& c = kCases[s.file];
        const std::string path = Make(c);
        const std::vector<uint8_t> whole = DecodeWithMpg123(path);
        Opened opened(path);
        ASSERT_EQ(opened.result, 1) << c.name;
        const uint32_t total = static_cast<uint32_t>(opened.reader->Format().totalFrames);
        for (uint32_t target : {total / 5, total / 3, total / 2})
            EXPECT_LE(std::llabs(SeekError(*opened.reader, whole, target)), s.tolerance)
                << c.name << " to " << target;
    }
    // One second at 128 kbit/s and 44,100 Hz is 16,000 bytes: the next frame lies within 418.
    Opened cbr(Make(kCases[1]));
    const int reached = cbr.reader->Seek(44100);
    EXPECT_GE(reached, 44100);
    EXPECT_LT(reached, 44100 + 418 * 8 * 44100 / 128000 + 1);
}

TEST(MpegFile, DecoderLibraryMissingOrIncomplete) {
    const std::string mp3 = Make(kCases[1]);
    CMpegFile missing(Wide(TempPath("no-such-dir/mpglib.dll")));
    platform::ReportRecorder::Clear();
    EXPECT_EQ(missing.Open(Wide(mp3)), 0);
    auto reports = platform::ReportRecorder::Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, L"mpglib.dllが読み込めませんでした。");
    EXPECT_EQ(reports[0].caption, L"Orvane");
    EXPECT_EQ(reports[0].style, platform::ReportErrorStyle);

    // A library without its decode call is let go, so a replaced one works at the next Open.
    const std::string library = TempPath("replaceable-mpglib.so");
    ASSERT_TRUE(RunTool("cp '" ORVANE_MPGLIB_INCOMPLETE "' '" + library + "'"));
    CMpegFile reader(Wide(library));
    EXPECT_EQ(reader.Open(Wide(mp3)), 0);
    reports = platform::ReportRecorder::Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, L"mpglib.dllのロードに失敗しました。");
    EXPECT_EQ(reports[0].caption, L"Orvane");
    ASSERT_TRUE(RunTool("cp '" ORVANE_MPGLIB "' '" + library + ".new' && mv '" + library + ".new' '" + library + "'"));
    EXPECT_EQ(reader.Open(Wide(mp3)), 1);
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
}

struct Shape {
    const char* what;
    Bytes file;
    std::vector<std::wstring> reports;  // empty: opens
    int64_t dataOffset;
};

Bytes Frames(int count) {
    Bytes b;
    for (int i = 0; i < count; ++i) b.Be(0xFFFB9064, 4).Fill(413);  // 128 kbit/s, 44,100 Hz
    return b;
}

TEST(MpegFile, HeaderShapes) {
    const std::wstring unsupported = L"サポートしていないファイルです。";
    const std::wstring noHeader = L"Mpegヘッダを認識できませんでした。";
    const std::wstring noFile = L"Mpegファイルを認識できませんでした。";
    const Bytes riff = Bytes().Id("RIFF").Le(0, 4).Id("WAVE");
    const Shape shapes[] = {
        {"frames at 0", Frames(4), {}, 0},
        {"sync found at 1,000", Bytes().Fill(1000).Add(Frames(4)), {}, 1000},
        {"no sync in 1,024 bytes", Bytes().Fill(1024).Add(Frames(4)), {noFile, unsupported}, 0},
        {"ID3v2 size beyond the file", Bytes().Id("ID3\x04").Le(0x7F7F7F7F, 4).Fill(2).Add(Frames(1)),
         {noFile, unsupported}, 0},
        {"sample-rate index 3", Bytes().Be(0xFFFB9C64, 4).Fill(413), {unsupported}, 0},
        {"empty", Bytes(), {unsupported}, 0},
        {"two bytes of sync", Bytes().Be(0xFFFB, 2), {}, 0},
        {"RIFF data after 128 bytes", Bytes(riff).Fill(130).Id("data").Le(0, 4).Add(Frames(2)), {noHeader, unsupported}, 0},
        {"RIFF data id at 124", Bytes(riff).Fill(112).Id("data").Le(100, 4).Add(Frames(2)), {noHeader, unsupported}, 0},
        {"RIFF fmt near the end", Bytes(riff).Fill(108).Id("fmt ").Fill(20).Add(Frames(2)), {noHeader, unsupported}, 0},
        {"RIFF data size beyond the file", Bytes(riff).Id("data").Le(0xFFFFFFF0, 4).Add(Frames(2)), {}, 20},
    };
    for (const Shape& shape : shapes) {
        const std::string path = TempPath("shape.mp3");
        WriteTemp("shape.mp3", shape.file);
        Opened opened(path);
        ASSERT_EQ(opened.reports.size(), shape.reports.size()) << shape.what;
        for (size_t i = 0; i < shape.reports.size(); ++i) {
            EXPECT_EQ(opened.reports[i].text, shape.reports[i]) << shape.what;
            EXPECT_EQ(opened.reports[i].caption, L"Error - Orvane -") << shape.what;
        }
        EXPECT_EQ(opened.result, shape.reports.empty() ? 1 : 0) << shape.what;
        if (!opened.result) continue;
        const AudioFormatInfo& f = opened.reader->Format();
        EXPECT_EQ(f.dataOffset, shape.dataOffset) << shape.what;
        EXPECT_LE(f.dataEnd, shape.file.v.size()) << shape.what;
        EXPECT_EQ(opened.reader->Open(Wide(path)), 0) << "open twice: " << shape.what;
        ReadAll(*opened.reader, 4096);
        opened.reader->Seek(1000);
        ReadAll(*opened.reader, 4096);
    }
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());

    CMpegFile closed(Wide(ORVANE_MPGLIB));
    uint8_t buffer[4];
    EXPECT_EQ(closed.Seek(0), -1);
    EXPECT_EQ(closed.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(closed.Read(nullptr, 0), 0);
    int minutes = -1, seconds = -1;
    EXPECT_EQ(closed.GetLength(Wide(TempPath("missing.mp3")), minutes, seconds), 0);
    EXPECT_EQ(minutes, -1);
    EXPECT_EQ(closed.Open(Wide(TempPath("missing.mp3"))), 0);
    const auto reports = platform::ReportRecorder::Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, L"ファイルをオープンできません。");
}

}  // namespace
