// MPEG files made by lame, ffmpeg and sox, decoded through the native mpglib over
// libmpg123: what the reader delivers, from the start and after any seek, must be what
// mpg123 itself decodes from the file, with the encoder's delay and padding left out as
// mpg123 leaves them out; both run the same libmpg123 on the same CPU, so sample for sample.
#include "sources/MpegFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/Report.h"
#include "platform/posix/ReportRecorder.h"
#include "sources/MpegHeader.h"
#include "support/native/AudioFixtures.h"

namespace {

struct MpegCase {
    const char* name;
    const char* make;  // "%s" is the output path
    int rate;
    int channels;
    int kbps;          // of every frame; 0 when it varies, -1 free format
    int frameSamples;  // per channel
    bool infoFrame;    // LAME's Xing or Info frame, with its delay and padding
    bool tag;          // ends in an ID3v1 block
    int64_t dataOffset;  // -1: not checked here
};

void PrintTo(const MpegCase& c, std::ostream* out) { *out << c.name; }

#define SWEEP(rate, ch) "sox -V1 -n -r " #rate " -c " #ch " -t wav - synth 4 sine 100-5000 sine 3000-200 | "
#define NOISE "sox -V1 -n -r 44100 -c 2 -t wav - synth 4 whitenoise vol 0.3 | "
#define LAME "lame --quiet --noreplaygain "
#define FFMPEG(rate, ch) "ffmpeg -v error -y -f lavfi -i 'sine=f=300:d=4,aeval=sin(t*t*900)' -ar " #rate " -ac " #ch " "

const MpegCase kCases[] = {
    {"cbr128_info.mp3", SWEEP(44100, 2) LAME "-b 128 - %s", 44100, 2, 128, 1152, true, false, 0},
    {"cbr128_notag.mp3", SWEEP(44100, 2) LAME "-b 128 -t - %s", 44100, 2, 128, 1152, false, false, 0},
    {"abr96.mp3", NOISE LAME "--abr 96 - %s", 32000, 2, 0, 1152, true, false, 0},
    {"vbr_v0.mp3", NOISE LAME "-V 0 - %s", 44100, 2, 0, 1152, true, false, 0},
    {"vbr_xing.mp3", SWEEP(44100, 2) LAME "-V 2 - %s", 44100, 2, 0, 1152, true, false, 0},
    {"vbr_noxing.mp3", SWEEP(44100, 2) LAME "-V 2 -t - %s", 44100, 2, 0, 1152, false, false, 0},
    {"vbr_v9.mp3", NOISE LAME "-V 9 - %s", 22050, 2, 0, 576, true, false, 0},
    {"vbr_v9_notag.mp3", NOISE LAME "-V 9 -t - %s", 22050, 2, 0, 576, false, false, 0},
    {"vbr_mono.mp3", NOISE LAME "-V 4 -m m - %s", 44100, 1, 0, 1152, true, false, 0},
    {"id3v2.mp3", SWEEP(44100, 2) LAME "-b 160 --id3v2-only --tt Orvane --ta Kellbrook - %s", 44100, 2, 160, 1152,
     true, false, -1},
    {"id3v2_267.mp3",
     "{ printf 'ID3\\3\\0\\0\\0\\0\\2\\1'; head -c 257 /dev/zero; " SWEEP(44100, 2) LAME "-b 128 -t - -; } > %s",
     44100, 2, 128, 1152, false, false, 267},
    {"id3v2_picture.mp3",
     "convert -size 300x300 xc: +noise Random %s.png && ffmpeg -v error -y -f lavfi -i 'sine=f=300:d=4' -i %s.png "
     "-map 0 -map 1 -c:v copy -disposition:v attached_pic -ac 2 -c:a libmp3lame -q:a 3 -id3v2_version 3 %s",
     44100, 2, 0, 1152, true, false, -1},
    {"id3v1.mp3", SWEEP(44100, 1) LAME "-b 64 --id3v1-only --tt Orvane - %s", 44100, 1, 64, 1152, true, true, 0},
    {"mpeg1_32k_mono.mp3", SWEEP(32000, 1) LAME "-b 48 -t - %s", 32000, 1, 48, 1152, false, false, 0},
    {"mpeg1_48k.mp3", FFMPEG(48000, 2) "-c:a libmp3lame -b:a 192k %s", 48000, 2, 192, 1152, true, false, -1},
    {"mpeg2_22k.mp3", SWEEP(22050, 2) LAME "-b 64 -t - %s", 22050, 2, 64, 576, false, false, 0},
    {"mpeg2_22k_info.mp3", SWEEP(22050, 2) LAME "-b 64 - %s", 22050, 2, 64, 576, true, false, 0},
    {"mpeg2_16k_vbr.mp3", SWEEP(16000, 1) LAME "-V 5 - %s", 16000, 1, 0, 576, true, false, 0},
    {"mpeg25_11k.mp3", SWEEP(11025, 1) LAME "-b 24 -t - %s", 11025, 1, 24, 576, false, false, 0},
    // At 16 kbit/s 8 kHz frames are too short for the Info frame.
    {"mpeg25_8k.mp3", SWEEP(8000, 2) LAME "-b 16 - %s", 8000, 2, 16, 576, false, false, 0},
    {"mpeg25_8k_info.mp3", SWEEP(8000, 2) LAME "-b 32 - %s", 8000, 2, 32, 576, true, false, 0},
    {"sox_default.mp3", "sox -V1 -n -r 44100 -c 2 %s synth 4 sine 100-5000 sine 3000-200", 44100, 2, 128, 1152, true,
     false, 0},
    {"layer2_48k.mp2", FFMPEG(48000, 2) "-c:a mp2 -b:a 192k %s", 48000, 2, 192, 1152, false, false, 0},
    {"layer2_24k_mono.mp2", FFMPEG(24000, 1) "-c:a mp2 -b:a 64k %s", 24000, 1, 64, 1152, false, false, 0},
    {"riff.rmp", FFMPEG(44100, 2) "-f wav -c:a libmp3lame -b:a 128k %s", 44100, 2, 128, 1152, false, false, 104},
    // No encoder at hand writes Layer I: frames of a 32 kbit/s 48 kHz mono header and zeros.
    {"layer1_silence.mp1", "for i in {1..400}; do printf '\\377\\377\\024\\300'; head -c 28 /dev/zero; done > %s",
     48000, 1, 32, 384, false, false, 0},
    // Free format cannot be indexed: it plays whole, as it is stored.
    {"free_format.mp3", SWEEP(44100, 2) LAME "--freeformat -b 200 - %s", 44100, 2, -1, 1152, false, false, 0},
};

// ctest runs the tests of one build as parallel processes that share these files: each
// is made under a name of this process's own (the encoders go by the extension), then
// renamed into place whole.
std::string PrivateName(const std::string& name) { return std::to_string(::getpid()) + "-" + name; }

std::string Make(const MpegCase& c) {
    const std::string path = TempPath(c.name);
    const std::string part = TempPath(PrivateName(c.name));
    std::string command = c.make;
    for (size_t at; (at = command.find("%s")) != std::string::npos;) command.replace(at, 2, "'" + part + "'");
    if (!RunTool("bash -o pipefail -c \"" + command + "\"") || std::rename(part.c_str(), path.c_str()) != 0) return {};
    return path;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// mpg123 over the same library: by default gapless, which leaves out what the Info frame
// says; free format is compared whole, as this reader plays it.
std::vector<uint8_t> DecodeWithMpg123(const std::string& path, bool whole = false) {
    const std::string out = path + "." + PrivateName("pcm");
    RunTool(std::string("mpg123 -q ") + (whole ? "--no-gapless --no-infoframe " : "") + "-O '" + out + "' '" + path +
            "'");
    std::vector<uint8_t> pcm = FileBytes(out);
    std::remove(out.c_str());
    return pcm;
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

// The first frame that differs, as text; empty when `got` is `want` from frame `at` on, to
// the end or, when toEnd is false, for as long as `got` is.
std::string Difference(const std::vector<uint8_t>& want, size_t at, const std::vector<uint8_t>& got, int align,
                       bool toEnd = true) {
    const size_t from = at * static_cast<size_t>(align);
    if (from > want.size()) return "beyond the end";
    const size_t rest = want.size() - from, expected = toEnd ? rest : std::min(rest, got.size());
    const size_t same = std::mismatch(got.begin(), got.begin() + static_cast<long>(std::min(got.size(), expected)),
                                      want.begin() + static_cast<long>(from))
                            .first -
                        got.begin();
    if (same == expected && got.size() == expected) return {};
    return "first differs at frame " + std::to_string(same / static_cast<size_t>(align)) + " of " +
           std::to_string(expected / static_cast<size_t>(align)) + " (" + std::to_string(got.size()) + " bytes read)";
}

// The file's format, its PCM from the start and after seeks, its length: as the case says
// and as mpg123 decodes it.
void ExpectAsMpg123(const MpegCase& c, const std::string& path) {
    const std::vector<uint8_t> file = FileBytes(path);
    const bool indexed = c.kbps >= 0;
    const std::vector<uint8_t> ref = DecodeWithMpg123(path, !indexed);
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
    EXPECT_EQ(Difference(ref, 0, ReadAll(reader, 1 << 20), f.blockAlign), "") << "whole reads";
    Opened small(path, 1);
    ASSERT_EQ(small.result, 1);
    EXPECT_EQ(Difference(ref, 0, ReadAll(*small.reader, 33333), f.blockAlign), "") << "odd reads";

    const auto heard = static_cast<uint32_t>(ref.size() / static_cast<size_t>(f.blockAlign));
    int minutes = -1, seconds = -1;
    if (!indexed) {
        // Free format: no length, and a seek starts the stream again.
        EXPECT_EQ(f.totalFrames, 0u);
        EXPECT_EQ(reader.GetLength(Wide(path), minutes, seconds), 0);
        EXPECT_EQ(minutes, -1);
        EXPECT_EQ(small.reader->Seek(44100), 0);
        EXPECT_EQ(Difference(ref, 0, ReadAll(*small.reader, 1 << 20), f.blockAlign), "");
        return;
    }
    EXPECT_EQ(f.totalFrames, heard);
    // The heard samples the Info frame counts, rounded up from a tenth as the Xing rule
    // rounds; without it, the bytes at the first frame's bitrate (VBR: a guess).
    reader.Close();
    ASSERT_EQ(reader.GetLength(Wide(path), minutes, seconds), 1);
    const int64_t ms = int64_t{heard} * 1000 / c.rate;
    if (c.infoFrame) {
        EXPECT_EQ(minutes * 60 + seconds, ms / 1000 + (ms / 100 % 10 != 0));
    } else if (c.kbps > 0) {
        EXPECT_EQ(minutes * 60 + seconds, static_cast<int64_t>(f.dataEnd - f.dataOffset) * 8 / (c.kbps * 1000));
    }

    // After a seek the next Read starts at the frame the seek reports, which is the frame
    // asked for, though no zero-byte Read came between and the read before left PCM over.
    CMpegFile& seeker = *small.reader;
    const uint32_t probe = static_cast<uint32_t>(3 * c.frameSamples * f.blockAlign + 2);
    std::vector<uint32_t> targets = {0, heard - 1, heard};
    for (uint32_t i = 1; i <= 20; ++i) targets.push_back(heard * i / 21);
    for (uint32_t target : targets) {
        ASSERT_EQ(seeker.Seek(target), static_cast<int>(target));
        std::vector<uint8_t> pcm(probe);
        pcm.resize(static_cast<size_t>(std::max(0, seeker.Read(pcm.data(), probe))));
        EXPECT_EQ(Difference(ref, target, pcm, f.blockAlign, false), "") << "after a seek to " << target;
        EXPECT_EQ(pcm.size(), std::min<size_t>(probe, ref.size() - target * static_cast<size_t>(f.blockAlign)));
    }
    // And goes on to the end as mpg123 does; beyond it there is nothing.
    ASSERT_EQ(seeker.Seek(heard / 2), static_cast<int>(heard / 2));
    EXPECT_EQ(Difference(ref, heard / 2, ReadAll(seeker, 1 << 20), f.blockAlign), "");
    EXPECT_EQ(seeker.Seek(heard + 1000), static_cast<int>(heard));
    uint8_t after[4];
    EXPECT_EQ(seeker.Read(after, sizeof after), 0);
}

class MpegFiles : public testing::TestWithParam<MpegCase> {};

TEST_P(MpegFiles, PcmLengthAndSeeksFollowMpg123) {
    const std::string path = Make(GetParam());
    ASSERT_FALSE(path.empty()) << GetParam().make;
    ExpectAsMpg123(GetParam(), path);
}

INSTANTIATE_TEST_SUITE_P(Encoders, MpegFiles, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<MpegCase>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// A frame in the middle lost to zeros, header and all: the decoder finds the next one, and
// so does the index, so seeks beyond it stay exact.
TEST(MpegFile, DamagedFrameInTheMiddle) {
    const MpegCase& c = kCases[4];
    ASSERT_STREQ(c.name, "vbr_xing.mp3");
    std::vector<uint8_t> bytes = FileBytes(Make(c));
    ASSERT_FALSE(bytes.empty());
    size_t at = 0;
    for (uint32_t size; at + 4 <= bytes.size() / 2 && (size = mpeg::FrameBytes(&bytes[at])) != 0;) at += size;
    ASSERT_GT(at, bytes.size() / 3);
    std::fill_n(bytes.begin() + static_cast<long>(at), mpeg::FrameBytes(&bytes[at]), 0);
    const std::string path = TempPath("damaged.mp3");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    ExpectAsMpg123(c, path);
}

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

// More MPEG data than the index's 32-bit offsets reach (a hole of zeros after the frames
// stands for the rest): no index, so the seek goes by the bitrate and reports the frame it
// reached, which is where the sound is.
TEST(MpegFile, BeyondTheIndexTheBitrateSeeks) {
    const std::string path = Make(kCases[1]);
    const std::vector<uint8_t> whole = DecodeWithMpg123(path, true);
    ASSERT_TRUE(RunTool("truncate -s 4300000000 '" + path + "'"));
    Opened opened(path);
    ASSERT_EQ(opened.result, 1);
    EXPECT_GT(opened.reader->Format().totalFrames, 4000000000ull / 16000 * 44100);
    for (uint32_t target : {44100u, 2 * 44100u}) {
        const int64_t error = SeekError(*opened.reader, whole, target);
        EXPECT_GE(error, -4) << target;
        EXPECT_LE(error, 4) << target;
    }
    opened.reader->Close();
    std::remove(path.c_str());
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
