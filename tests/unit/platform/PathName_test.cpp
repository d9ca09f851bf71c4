#include "platform/PathName.h"

#include <gtest/gtest.h>

using platform::FileNamePart;
using platform::FolderPart;
using platform::JoinPath;
using platform::PathExtension;

TEST(PathName, ExtensionOfTheLastComponentLowerCased) {
    EXPECT_EQ(PathExtension(L"C:\\a.b\\c"), L"");
    EXPECT_EQ(PathExtension(L"C:\\a\\Take 1.WAV"), L".wav");
    EXPECT_EQ(PathExtension(L"trailing."), L".");
    EXPECT_EQ(PathExtension(L"x.tar.GZ"), L".gz");
    EXPECT_EQ(PathExtension(L""), L"");
}

TEST(PathName, FileAndFolderParts) {
    EXPECT_EQ(FileNamePart(L"C:\\Music\\曲 1.wav"), L"曲 1.wav");
    EXPECT_EQ(FolderPart(L"C:\\Music\\曲 1.wav"), L"C:\\Music");
    EXPECT_EQ(FileNamePart(L"/home/a/b.mp3"), L"b.mp3");
    EXPECT_EQ(FileNamePart(L"plain.ogg"), L"plain.ogg");
    EXPECT_EQ(FolderPart(L"plain.ogg"), L"");
    EXPECT_EQ(FileNamePart(L"C:\\dir\\"), L"");
}

TEST(PathName, JoinPutsOneSeparatorBetween) {
    EXPECT_EQ(JoinPath(L"C:\\Music", L"曲.cue"), L"C:\\Music\\曲.cue");
    EXPECT_EQ(JoinPath(L"C:\\", L"Orvane"), L"C:\\Orvane");
    EXPECT_EQ(JoinPath(L"/home/a/", L"b"), L"/home/a/b");
    EXPECT_EQ(JoinPath(L"", L"plain.ogg"), L"plain.ogg");
}
