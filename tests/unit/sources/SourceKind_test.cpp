#include "sources/SourceKind.h"

#include <gtest/gtest.h>

#include "engine/PlayerCore.h"

TEST(SourceKind, ExtensionIsCaseBlindAndExact) {
    EXPECT_EQ(SourceKindForPath(L"C:\\m\\a.WAV"), SourceKind::Wave);
    EXPECT_EQ(SourceKindForPath(L"a.Wav"), SourceKind::Wave);
    EXPECT_EQ(SourceKindForPath(L"a.wav.txt"), SourceKind::None);
    EXPECT_EQ(SourceKindForPath(L"noext"), SourceKind::None);
    EXPECT_EQ(SourceKindForPath(L"a.aif"), SourceKind::Aiff);
    EXPECT_EQ(SourceKindForPath(L"a.AIFF"), SourceKind::Aiff);
    EXPECT_EQ(SourceKindForPath(L"a.aifc"), SourceKind::None);
    EXPECT_EQ(SourceKindForPath(L"x.rmp"), SourceKind::Mpeg);
    EXPECT_EQ(SourceKindForPath(L"x.Flac"), SourceKind::Flac);
}

TEST(SourceKind, OnlyTheLastPathComponentCounts) {
    EXPECT_EQ(SourceKindForPath(L"C:\\dir.wav\\file"), SourceKind::None);
    EXPECT_EQ(SourceKindForPath(L"C:\\dir.mp3\\曲.ogg"), SourceKind::Ogg);
    EXPECT_EQ(SourceKindForPath(L"my song.WMA"), SourceKind::Wma);
    EXPECT_EQ(SourceKindForPath(L"song.wav x"), SourceKind::None) << "no space in an extension";
}

TEST(SourceKind, EngineSelectionFallsBackToTheWaveReader) {
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
    EXPECT_TRUE(CPlayerCore::IsSupportedFile(L"x.MP2"));
    EXPECT_FALSE(CPlayerCore::IsSupportedFile(L"x.mp4"));
    int m = 7, s = 8;
    EXPECT_FALSE(core.GetFileLength(L"x.mp4", m, s));
    EXPECT_EQ(m, 7);
    EXPECT_EQ(s, 8);
}
