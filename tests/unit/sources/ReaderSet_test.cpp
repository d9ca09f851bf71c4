#include "sources/ReaderSet.h"

#include <gtest/gtest.h>

#include "engine/PlayerCore.h"

namespace {

// The reader the set picks for a name: 'W' WAV, 'A' AIFF, 'M' MPEG, 'O' Ogg, 'F' FLAC, '-' none.
char Picked(CReaderSet& readers, const wchar_t* name) {
    CAudioFile* reader = readers.ForPath(name);
    EXPECT_EQ(reader != nullptr, CReaderSet::IsSupportedFile(name)) << name;
    if (!reader) return '-';
    if (dynamic_cast<CMpegFile*>(reader)) return 'M';
    if (dynamic_cast<COggFile*>(reader)) return 'O';
    if (dynamic_cast<CFlacFile*>(reader)) return 'F';
    return reader == &readers.Fallback() ? 'W' : 'A';
}

TEST(ReaderSet, TheExtensionOfTheLastComponentChoosesWhateverItsCase) {
    CReaderSet readers;
    const struct {
        const wchar_t* name;
        char reader;
    } cases[] = {
        {L"C:\\m\\a.WAV", 'W'},      {L"a.Wav", 'W'},   {L"a.wav.txt", '-'},        {L"noext", '-'},
        {L"a.aif", 'A'},             {L"a.AIFF", 'A'},  {L"a.aifc", '-'},           {L"C:\\dir.wav\\file", '-'},
        {L"C:\\dir.aif\\曲.wav", 'W'}, {L"my song.AIF", 'A'}, {L"song.wav x", '-'},  // no space in an extension
    };
    for (const auto& c : cases) EXPECT_EQ(Picked(readers, c.name), c.reader) << c.name;
}

TEST(ReaderSet, DecoderExtensionsPickTheirReadersAndOthersWithoutAReaderAreUnsupported) {
    CReaderSet readers;
    for (const wchar_t* name : {L"x.mp1", L"x.mp2", L"x.MP3", L"x.rmp"}) EXPECT_EQ(Picked(readers, name), 'M') << name;
    EXPECT_EQ(Picked(readers, L"x.OGG"), 'O');
    EXPECT_EQ(Picked(readers, L"x.Flac"), 'F');
    for (const wchar_t* name : {L"x.oga", L"x.fla", L"x.mp4", L"x.mpa"}) EXPECT_EQ(Picked(readers, name), '-') << name;
}

TEST(ReaderSet, EngineSelectionFallsBackToTheWaveReader) {
    AppSettings settings;
    CPlayerCore core(settings);
    CAudioFile* reader = nullptr;
    std::wstring path = L"song.xyz";
    EXPECT_FALSE(core.SelectSource(reader, &path));
    EXPECT_NE(reader, nullptr);
    CAudioFile* wave = nullptr;
    path = L"song.wav";
    EXPECT_TRUE(core.SelectSource(wave, &path));
    EXPECT_EQ(reader, wave);
    EXPECT_TRUE(CPlayerCore::IsSupportedFile(L"x.AIFF"));
    EXPECT_TRUE(CPlayerCore::IsSupportedFile(L"x.Mp3"));
    EXPECT_FALSE(CPlayerCore::IsSupportedFile(L"x.m4a"));
    int m = 7, s = 8;
    EXPECT_FALSE(core.GetFileLength(L"x.m4a", m, s));
    EXPECT_EQ(m, 7);
    EXPECT_EQ(s, 8);
}

TEST(ReaderSet, AnUnsupportedFileDoesNotPlay) {
    AppSettings settings;
    CPlayerCore core(settings);
    core.SetFilePath(L"/nonexistent/song.m4a");
    EXPECT_FALSE(core.Play(nullptr));
    EXPECT_EQ(core.GetPlayState(), PlayStopped);
}

}  // namespace
