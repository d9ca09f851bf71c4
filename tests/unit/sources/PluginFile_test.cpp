// Ogg Vorbis and FLAC files made by oggenc, flac and sox, read through the native plug-ins
// in the engine's chunk pattern: what the readers deliver must be what oggdec and `flac -d`
// write into their WAV files.
#include "sources/PluginFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/Report.h"
#include "platform/posix/ReportRecorder.h"
#include "sources/PlayLength.h"
#include "support/native/AudioFixtures.h"

namespace {

struct PluginCase {
    const char* name;
    const char* make;  // every "%s" is the output path; null: flac over a WAV of narrowBits
    int narrowBits;
    int rate;
    int channels;
    int bits;  // delivered
};

void PrintTo(const PluginCase& c, std::ostream* out) { *out << c.name; }

#define SOX(rate, ch, bits) "sox -V1 -n -r " #rate " -c " #ch " -b " #bits " -t wav - synth 1.5 sine 100-5000 sine 3000-200 | "
#define FLAC "flac -s -f "

const PluginCase kCases[] = {
    {"u8_mono_8k.flac", SOX(8000, 1, 8) FLAC "-o %s -", 0, 8000, 1, 8},
    {"s16_seektable_picture.flac",
     "convert -size 16x16 xc:red %s.png && " SOX(44100, 2, 16) FLAC "-S 2000x --picture=%s.png -o %s -", 0, 44100, 2, 16},
    {"s16_block1001_32k.flac", SOX(32000, 2, 16) FLAC "--blocksize=1001 -o %s -", 0, 32000, 2, 16},
    {"s16_quad_48k.flac", SOX(48000, 4, 16) FLAC "-o %s -", 0, 48000, 4, 16},
    {"s24_block333_96k.flac", SOX(96000, 2, 24) FLAC "--blocksize=333 -o %s -", 0, 96000, 2, 24},
    {"s24_mono_192k.flac", SOX(192000, 1, 24) FLAC "-o %s -", 0, 192000, 1, 24},
    {"s32_11k.flac", SOX(11025, 2, 32) FLAC "-o %s -", 0, 11025, 2, 32},
    {"n12_22k.flac", nullptr, 12, 22050, 2, 16},
    {"n20_mono_48k.flac", nullptr, 20, 48000, 1, 24},
    {"mono_22k.ogg", SOX(22050, 1, 16) "oggenc -Q -o %s -", 0, 22050, 1, 16},
    {"stereo_44k.ogg", SOX(44100, 2, 16) "oggenc -Q -o %s -", 0, 44100, 2, 16},
    {"stereo_48k_q8.ogg", SOX(48000, 2, 16) "oggenc -Q -q 8 -o %s -", 0, 48000, 2, 16},
};

// ctest runs tests as parallel processes sharing these files: each is made under a name of
// this process's own, then renamed into place whole.
std::string PrivateName(const std::string& name) { return std::to_string(::getpid()) + "-" + name; }

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool EndsWith(const std::string& s, const char* end) {
    return s.size() >= std::strlen(end) && s.compare(s.size() - std::strlen(end), std::string::npos, end) == 0;
}

// flac takes a narrow width from an extensible WAV's valid bits, which sox does not write:
// a second of two sweeps, left-justified in whole bytes.
Bytes NarrowWave(int validBits, int rate, int channels) {
    const int bytes = (validBits + 7) / 8;
    Bytes data;
    for (int i = 0; i < rate; ++i)
        for (int c = 0; c < channels; ++c) {
            const double v = std::sin(i * (0.02 + 0.01 * c) + i * 1e-5 * i) * ((1 << (validBits - 1)) - 1);
            data.Le(static_cast<uint64_t>(static_cast<int64_t>(v) * (int64_t{1} << (bytes * 8 - validBits))), bytes);
        }
    const Bytes fmt = Bytes()
                          .Le(0xFFFE, 2).Le(channels, 2).Le(rate, 4).Le(rate * channels * bytes, 4)
                          .Le(channels * bytes, 2).Le(bytes * 8, 2).Le(22, 2).Le(validBits, 2).Le(channels == 1 ? 4 : 3, 4)
                          .Le(1, 4).Le(0x00100000, 4).Le(0xAA000080, 4).Le(0x719B3800, 4);
    return RiffWave(Chunk("fmt ", fmt).Add(Chunk("data", data)));
}

std::string Make(const PluginCase& c) {
    const std::string path = TempPath(c.name);
    const std::string part = TempPath(PrivateName(c.name));
    std::string command;
    if (c.make) {
        command = c.make;
        for (size_t at; (at = command.find("%s")) != std::string::npos;) command.replace(at, 2, "'" + part + "'");
    } else {
        const std::string wav = PrivateName(std::string(c.name) + ".wav");
        WriteTemp(wav, NarrowWave(c.narrowBits, c.rate, c.channels));
        command = FLAC "-o '" + part + "' '" + TempPath(wav) + "'";
    }
    if (!RunTool("bash -o pipefail -c \"" + command + "\"") || std::rename(part.c_str(), path.c_str()) != 0) return {};
    return path;
}

// The sample bytes of the reference decoder's WAV file.
std::vector<uint8_t> DecodeWithTool(const std::string& path) {
    const std::string out = path + "." + PrivateName("wav");
    RunTool((EndsWith(path, ".ogg") ? "oggdec -Q -o '" : "flac -d -s -f -o '") + out + "' '" + path + "'");
    const std::vector<uint8_t> b = FileBytes(out);
    std::remove(out.c_str());
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = b[at + 4] | b[at + 5] << 8 | b[at + 6] << 16 | uint32_t{b[at + 7]} << 24;
        if (std::memcmp(&b[at], "data", 4) == 0)
            return {b.begin() + static_cast<long>(at + 8), b.begin() + static_cast<long>(std::min<size_t>(b.size(), at + 8 + size))};
        at += 8 + size + (size & 1);
    }
    return {};
}

std::unique_ptr<CPluginFile> ReaderFor(const std::string& path, const std::string& library = {}) {
    if (EndsWith(path, ".ogg")) return std::make_unique<COggFile>(Wide(library.empty() ? ORVANE_VORBISDEC : library));
    return std::make_unique<CFlacFile>(Wide(library.empty() ? ORVANE_FLACDEC : library));
}

std::vector<uint8_t> ReadBytes(CAudioFile& reader, uint32_t count) {
    std::vector<uint8_t> bytes(count);
    const int n = reader.Read(bytes.data(), count);
    bytes.resize(static_cast<size_t>(std::max(n, 0)));
    return bytes;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t at, size_t count) {
    at = std::min(at, v.size());
    return {v.begin() + static_cast<long>(at), v.begin() + static_cast<long>(std::min(v.size(), at + count))};
}

constexpr int kBlock = 4 * 10001;  // quarter blocks that split samples and frames

class PluginFiles : public testing::TestWithParam<PluginCase> {};

TEST_P(PluginFiles, FormatLengthPcmAndSeeksFollowTheReferenceDecoder) {
    const PluginCase& c = GetParam();
    const std::string path = Make(c);
    ASSERT_FALSE(path.empty()) << c.name;
    const std::vector<uint8_t> ref = DecodeWithTool(path);
    ASSERT_FALSE(ref.empty());

    auto reader = ReaderFor(path);
    platform::ReportRecorder::Clear();
    ASSERT_EQ(reader->Open(Wide(path)), 1);
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
    const AudioFormatInfo& f = reader->Format();
    const int align = c.channels * c.bits / 8;
    EXPECT_EQ(f.sampleRate, c.rate);
    EXPECT_EQ(f.channels, c.channels);
    EXPECT_EQ(f.bitsPerSample, c.bits);
    EXPECT_EQ(f.blockAlign, align);
    EXPECT_EQ(f.formatTag, 1);
    EXPECT_EQ(f.dataOffset + f.dataSize + f.dataEnd, 0u);
    EXPECT_EQ(f.totalFrames, ref.size() / static_cast<size_t>(align));

    // The length of the same file, asked on the way, leaves the stream as it was.
    EXPECT_EQ(reader->Read(nullptr, 0), 0);
    std::vector<uint8_t> pcm = ReadBytes(*reader, 10001);
    int minutes = -1, seconds = -1;
    ASSERT_EQ(reader->GetLength(Wide(path), minutes, seconds), 1);
    const PlayLength length = RoundedUpLength(f.totalFrames, static_cast<uint64_t>(c.rate));
    EXPECT_EQ(minutes * 60 + seconds, length.minutes * 60 + length.seconds);
    const std::vector<uint8_t> rest = ReadInQuarterBlocks(*reader, kBlock);
    pcm.insert(pcm.end(), rest.begin(), rest.end());
    EXPECT_TRUE(pcm == ref) << "decoded " << pcm.size() << " bytes of " << ref.size();

    // Seeks land on the frame, over PCM still held from before: the seek itself drops it,
    // as the engine's jog reads right after one.
    for (uint32_t target : {static_cast<uint32_t>(f.totalFrames / 3), 4097u, 0u}) {
        ASSERT_EQ(reader->Seek(0), 0);
        ReadBytes(*reader, 7);
        EXPECT_EQ(reader->Seek(target), static_cast<int>(target));
        EXPECT_TRUE(ReadBytes(*reader, 5003) == Slice(ref, size_t{target} * align, 5003)) << "seek to " << target;
    }
    reader->Seek(static_cast<uint32_t>(f.totalFrames));
    reader->Read(nullptr, 0);
    EXPECT_EQ(reader->Read(pcm.data(), 100), 0) << "seek to the end";
    reader->Close();
    EXPECT_EQ(reader->Open(Wide(path)), 1) << "again after Close";
}

INSTANTIATE_TEST_SUITE_P(Encoders, PluginFiles, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PluginCase>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(PluginFile, ThirtySecondsOfFlacReportZeroThirtyOne) {
    const PluginCase c{"thirty.flac", "sox -V1 -n -r 44100 -c 1 -b 16 -t wav - synth 30 sine 440 | " FLAC "-o %s -",
                       0, 44100, 1, 16};
    const std::string path = Make(c);
    CFlacFile reader(Wide(ORVANE_FLACDEC));
    int minutes = -1, seconds = -1;
    ASSERT_EQ(reader.GetLength(Wide(path), minutes, seconds), 1);
    EXPECT_EQ(minutes, 0);
    EXPECT_EQ(seconds, 31);
    ASSERT_EQ(reader.Open(Wide(path)), 1);
    EXPECT_EQ(reader.Format().totalFrames, 1323000u);
    minutes = seconds = -1;
    EXPECT_EQ(reader.GetLength(Wide(TempPath("missing.flac")), minutes, seconds), 0);
    EXPECT_EQ(minutes, -1);
    EXPECT_EQ(seconds, -1);
}

struct LibraryCase {
    const PluginCase& file;
    const wchar_t* missing;
    const wchar_t* incomplete;
    int seekWithoutDecoder;
};

// Each attempt loads the library again, so a plug-in put in place later is used.
TEST(PluginFile, MissingOrIncompleteLibrariesAreReportedAndTriedAgain) {
    const LibraryCase cases[] = {
        {kCases[10], L"OggVorbisデコードDLLが読み込めませんでした。", L"Vorbisdec.dllのロードに失敗しました。", -1},
        {kCases[2], L"flacdec.dllが読み込めませんでした。", L"flacdec.dllのロードに失敗しました。", 0},
    };
    for (const LibraryCase& c : cases) {
        const std::string path = Make(c.file);
        const std::string library = TempPath(PrivateName("plugin.so"));
        std::remove(library.c_str());
        auto reader = ReaderFor(path, library);
        const auto expectReport = [&](const wchar_t* text) {
            const auto reports = platform::ReportRecorder::Take();
            ASSERT_EQ(reports.size(), 1u) << c.file.name;
            EXPECT_EQ(reports[0].text, text);
            EXPECT_EQ(reports[0].caption, L"Orvane");
            EXPECT_EQ(reports[0].style, platform::ReportErrorStyle);
        };
        platform::ReportRecorder::Clear();
        EXPECT_EQ(reader->Open(Wide(path)), 0);
        expectReport(c.missing);
        int minutes = -1, seconds = -1;
        EXPECT_EQ(reader->GetLength(Wide(path), minutes, seconds), 0);
        expectReport(c.missing);
        uint8_t buffer[8];
        EXPECT_EQ(reader->Seek(10), c.seekWithoutDecoder);
        EXPECT_EQ(reader->Read(buffer, sizeof buffer), 0);

        ASSERT_TRUE(RunTool("cp '" ORVANE_MPGLIB_INCOMPLETE "' '" + library + "'"));
        EXPECT_EQ(reader->Open(Wide(path)), 0);
        expectReport(c.incomplete);
        const std::string real = EndsWith(path, ".ogg") ? ORVANE_VORBISDEC : ORVANE_FLACDEC;
        ASSERT_TRUE(RunTool("cp '" + real + "' '" + library + ".new' && mv '" + library + ".new' '" + library + "'"));
        EXPECT_EQ(reader->Open(Wide(path)), 1) << c.file.name;
        EXPECT_TRUE(platform::ReportRecorder::Take().empty());
        reader.reset();
        std::remove(library.c_str());
    }
}

// A cut or damaged file ends its stream; what comes before the damage is the reference's.
TEST(PluginFile, MissingUnsupportedTruncatedAndDamagedFiles) {
#define NOISE "sox -V1 -n -r 44100 -c 2 -b 16 -t wav - synth 3 pinknoise | "
    const PluginCase noisy[] = {{"noise.flac", NOISE FLAC "-o %s -", 0, 44100, 2, 16},
                                {"noise.ogg", NOISE "oggenc -Q -o %s -", 0, 44100, 2, 16}};
    for (const PluginCase& c : noisy) {
        const std::string path = Make(c);
        const std::vector<uint8_t> file = FileBytes(path);
        const std::vector<uint8_t> ref = DecodeWithTool(path);
        const std::string ext = EndsWith(path, ".ogg") ? ".ogg" : ".flac";
        auto reader = ReaderFor(path);
        platform::ReportRecorder::Clear();

        EXPECT_EQ(reader->Open(Wide(TempPath("missing" + ext))), 0);
        EXPECT_EQ(reader->Open(WriteTemp(PrivateName("text" + ext), Bytes().Id("text").Fill(100, 'x'))), 0);
        const auto reports = platform::ReportRecorder::Take();
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[0].text, L"ファイルをオープンできません。");
        EXPECT_EQ(reports[1].text, L"サポートしていないファイルです。");
        EXPECT_EQ(reports[1].caption, L"Error - Orvane -");

        Bytes cut;
        cut.v.assign(file.begin(), file.begin() + static_cast<long>(file.size() * 6 / 10));
        ASSERT_EQ(reader->Open(WriteTemp(PrivateName("cut" + ext), cut)), 1) << c.name;
        const std::vector<uint8_t> head = ReadInQuarterBlocks(*reader, kBlock);
        EXPECT_GT(head.size(), ref.size() / 3) << c.name;
        EXPECT_TRUE(head == Slice(ref, 0, head.size())) << c.name;
        reader->Close();

        Bytes flipped;
        flipped.v = file;
        for (size_t at = file.size() / 2; at < file.size() / 2 + 4; ++at) flipped.v[at] ^= 0x5A;
        ASSERT_EQ(reader->Open(WriteTemp(PrivateName("flipped" + ext), flipped)), 1) << c.name;
        const std::vector<uint8_t> damaged = ReadInQuarterBlocks(*reader, kBlock);
        EXPECT_LE(damaged.size(), ref.size()) << c.name;
        EXPECT_GT(damaged.size(), ref.size() / 3) << c.name;
        reader->Close();
    }
}

// A "Create" that once gave no object (short of memory) is asked again at the next use.
TEST(PluginFile, ACreateThatGaveNoObjectIsAskedAgain) {
    const char text[] = "16 44100 2 100 4 1";
    Bytes script;
    script.v.assign(text, text + std::strlen(text));
    const std::wstring path = WriteTemp(PrivateName("again.flac"), script);
    CFlacFile reader(Wide(ORVANE_SCRIPTED_DECODER));
    platform::ReportRecorder::Clear();
    ::setenv("ORVANE_SCRIPTED_NO_OBJECT", "1", 1);
    EXPECT_EQ(reader.Open(path), 0);
    ::unsetenv("ORVANE_SCRIPTED_NO_OBJECT");
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
    ASSERT_EQ(reader.Open(path), 1);
    EXPECT_EQ(ReadBytes(reader, 4), std::vector<uint8_t>(4, 0x5A));
}

// What a plug-in reports is checked before it is believed.
TEST(PluginFile, AMisbehavingDecoderCannotCorruptTheStream) {
    const struct {
        const char* script;  // bits rate channels total, then claim reads
        bool opens;
        uint32_t ask;
        size_t delivered;
    } cases[] = {
        {"12 44100 2 100 0 0", false, 0, 0},         // no whole bytes
        {"16 44100 0 100 0 0", false, 0, 0},         // a frame of no bytes
        {"16 0 2 100 0 0", false, 0, 0},             // no rate
        {"16 44100 2 100 3 5", true, 10, 10},        // short reads are gathered
        {"16 44100 2 100 3 5", true, 100, 15},       // until the end
        {"16 44100 2 100 999999 1", true, 10000, 4704},  // more than it had room for
    };
    for (const auto& c : cases) {
        Bytes script;
        script.v.assign(c.script, c.script + std::strlen(c.script));
        const std::wstring path = WriteTemp(PrivateName("script.flac"), script);
        CFlacFile reader(Wide(ORVANE_SCRIPTED_DECODER));
        platform::ReportRecorder::Clear();
        ASSERT_EQ(reader.Open(path), c.opens ? 1 : 0) << c.script;
        const auto reports = platform::ReportRecorder::Take();
        if (!c.opens) {
            ASSERT_EQ(reports.size(), 1u) << c.script;
            EXPECT_EQ(reports[0].text, L"サポートしていないファイルです。");
            continue;
        }
        const std::vector<uint8_t> got = ReadBytes(reader, c.ask);
        EXPECT_EQ(got, std::vector<uint8_t>(c.delivered, 0x5A)) << c.script;
    }
}

}  // namespace
