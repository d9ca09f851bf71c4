// Files made by sox and ffmpeg: what the readers deliver must be what libsndfile decodes.
#include <gtest/gtest.h>


#include "platform/posix/ReportRecorder.h"
#include "sources/ReaderSet.h"
#include "support/native/AudioFixtures.h"

namespace {

struct ToolFile {
    const char* name;  // its extension picks the reader
    const char* make;  // "%s" is the output path
    bool accepted;
};

void PrintTo(const ToolFile& file, std::ostream* out) { *out << file.name; }

#define SOX "sox -V1 -n "
#define FFMPEG "ffmpeg -v error -y -f lavfi -i anoisesrc=d=1.37:r=44100:a=0.5 "

const ToolFile kFiles[] = {
    // sox writes a plain PCM header only as "wavpcm"; above 16 bits its default is extensible.
    {"sox_s16_stereo.wav", SOX "-b 16 -r 44100 -c 2 -t wavpcm %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s24_mono.wav", SOX "-b 24 -r 48000 -c 1 -t wavpcm %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s32_stereo.wav", SOX "-b 32 -r 96000 -c 2 -t wavpcm %s synth 0.61 whitenoise vol 0.5", true},
    {"sox_f32_stereo.wav", SOX "-b 32 -e floating-point -r 44100 -c 2 -t wavpcm %s synth 1.37 sine 440 sine 660", true},
    {"sox_u8_mono.wav", SOX "-b 8 -r 22050 -c 1 -t wavpcm %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s24_extensible.wav", SOX "-b 24 -r 44100 -c 2 %s synth 0.5 whitenoise vol 0.5", false},
    // ffmpeg puts a LIST chunk before the data; above 16 bits it writes the extensible tag.
    {"ffmpeg_s16_mono_list.wav", FFMPEG "-metadata title=Orvane -c:a pcm_s16le %s", true},
    {"ffmpeg_s16_stereo_list.wav", FFMPEG "-ac 2 -c:a pcm_s16le %s", true},
    {"ffmpeg_s24_extensible.wav", FFMPEG "-ac 2 -c:a pcm_s24le %s", false},
    {"ffmpeg_f32_extensible.wav", FFMPEG "-c:a pcm_f32le %s", false},
    // RF64 takes any tag, extensible included.
    {"ffmpeg_rf64_s16.wav", FFMPEG "-ac 2 -c:a pcm_s16le -rf64 always %s", true},
    {"ffmpeg_rf64_s24.wav", FFMPEG "-ac 2 -c:a pcm_s24le -rf64 always %s", true},
    {"ffmpeg_rf64_s32.wav", FFMPEG "-c:a pcm_s32le -rf64 always %s", true},
    {"ffmpeg_rf64_f32.wav", FFMPEG "-ac 2 -c:a pcm_f32le -rf64 always %s", true},
    {"sox_s8_mono.aiff", SOX "-b 8 -r 8000 -c 1 %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s16_stereo.aif", SOX "-b 16 -r 44100 -c 2 %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s24_stereo.aiff", SOX "-b 24 -r 44100 -c 2 %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s24_mono.aiff", SOX "-b 24 -r 48000 -c 1 %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_s32_stereo.aiff", SOX "-b 32 -r 44100 -c 2 %s synth 1.37 whitenoise vol 0.5", true},
    {"sox_aifc.aiff", SOX "-b 16 -r 44100 -c 1 -t aifc %s synth 0.5 sine 440", false},
};

class ToolFiles : public testing::TestWithParam<ToolFile> {};

TEST_P(ToolFiles, ReadMatchesLibsndfileInEveryChunkPattern) {
    const ToolFile& file = GetParam();
    const std::string path = TempPath(file.name);
    std::string command = file.make;
    command.replace(command.find("%s"), 2, "'" + path + "'");
    ASSERT_TRUE(RunTool(command)) << command;

    CReaderSet readers;
    CAudioFile* reader = readers.ForPath(Wide(path));
    ASSERT_NE(reader, nullptr);
    platform::ReportRecorder::Clear();
    const int opened = reader->Open(Wide(path));
    const auto reports = platform::ReportRecorder::Take();
    if (!file.accepted) {
        EXPECT_EQ(opened, 0);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, L"サポートしていないファイルです。");
        return;
    }
    ASSERT_NE(opened, 0);
    EXPECT_TRUE(reports.empty());

    const ReferencePcm ref = DecodeWithSndfile(path);
    ASSERT_TRUE(ref.ok);
    const AudioFormatInfo& format = reader->Format();
    EXPECT_EQ(format.totalFrames, static_cast<uint64_t>(ref.frames));
    EXPECT_EQ(format.sampleRate, ref.rate);
    EXPECT_EQ(format.channels, ref.channels);

    // Whole-frame blocks whose quarters split samples, and two-byte reads.
    for (int block : {format.blockAlign * 4096, format.blockAlign * 1001, 10}) {
        EXPECT_EQ(reader->Seek(0), 0);
        EXPECT_EQ(reader->Read(nullptr, 0), 0);
        const std::vector<uint8_t> pcm = ReadInQuarterBlocks(*reader, block);
        ASSERT_EQ(pcm.size(), ref.pcm.size()) << "block " << block;
        EXPECT_TRUE(pcm == ref.pcm) << "block " << block;
    }
    reader->Close();

    int minutes = -1, seconds = -1;
    ASSERT_NE(reader->GetLength(Wide(path), minutes, seconds), 0);
    EXPECT_EQ(minutes * 60 + seconds, ref.frames / ref.rate + 1);
}

INSTANTIATE_TEST_SUITE_P(SoxAndFfmpeg, ToolFiles, testing::ValuesIn(kFiles),
                         [](const testing::TestParamInfo<ToolFile>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

}  // namespace
