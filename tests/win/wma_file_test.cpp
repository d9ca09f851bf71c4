// The WMA reader against Wine's Windows Media Format runtime, where no file is needed (the
// decoding itself is checked against ffmpeg by the e2e test through tools/decode_file).
#include <gtest/gtest.h>

#include "sources/ReaderSet.h"

TEST(WmaFile, TheWindowsReaderSetPlaysWmaWhateverItsCase) {
    CReaderSet readers;
    for (const wchar_t* name : {L"a.wma", L"C:\\曲\\b.WMA", L"c.Wma"})
        EXPECT_NE(dynamic_cast<CWmaFile*>(readers.ForPath(name)), nullptr) << name;
    EXPECT_EQ(readers.ForPath(L"a.wmv"), nullptr);
}

// Wine's reader faults when asked to seek with no file open.
TEST(WmaFile, WithNoFileOpenNothingMovesAndAMissingFileHasNoLength) {
    CWmaFile reader;
    uint8_t buffer[16] = {};
    EXPECT_EQ(reader.Seek(44'100), 0);
    EXPECT_EQ(reader.Read(buffer, sizeof buffer), 0);
    reader.Close();
    // The runtime refuses the file: no message, the out values as they were.
    int minutes = 7, seconds = 8;
    EXPECT_EQ(reader.GetLength(L"Z:\\no\\such\\song.wma", minutes, seconds), 0);
    EXPECT_EQ(minutes, 7);
    EXPECT_EQ(seconds, 8);
    // Now loaded, still nothing open.
    EXPECT_EQ(reader.Seek(44'100), 0);
    EXPECT_EQ(reader.Read(buffer, sizeof buffer), 0);
}
