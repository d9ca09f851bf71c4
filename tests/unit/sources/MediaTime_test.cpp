// The WMA reader's arithmetic on the runtime's 100 ns clock: frames of a duration, where a
// seek starts, the length shown.
#include "sources/MediaTime.h"

#include <gtest/gtest.h>

TEST(MediaTime, DurationToFramesTruncatesAndNeverOverflows) {
    struct Case {
        uint64_t duration, rate, frames;
    } const cases[] = {
        {1'234'567'890, 44'100, 5'444'444},  // 123.456789 s
        {10'000'000, 44'100, 44'100},
        {9'999'999, 48'000, 47'999},
        {0, 44'100, 0},
        // Far past where rate × duration wraps in 64 bits (a hostile header's duration).
        {UINT64_MAX, 192'000, 354'177'486'215'223'391},
    };
    for (const Case& c : cases) EXPECT_EQ(FramesOfDuration(c.duration, c.rate), c.frames) << c.duration;
}

TEST(MediaTime, FrameToSeekTimeIn64Bits) {
    EXPECT_EQ(MediaTimeOfFrame(44'100, 44'100), 10'000'000u);
    EXPECT_EQ(MediaTimeOfFrame(1, 48'000), 208u);
    // A 32-bit product would wrap from frame 430 on.
    EXPECT_EQ(MediaTimeOfFrame(4'000'000'000u, 44'100), 907'029'478'458u);
    EXPECT_EQ(MediaTimeOfFrame(100, 0), 0u);
}

TEST(MediaTime, LengthIsWholeSecondsNotRoundedUp) {
    struct Case {
        uint64_t duration;
        int minutes, seconds;
    } const cases[] = {{1'234'567'890, 2, 3}, {30'000'000, 0, 3}, {29'999'999, 0, 2}, {0, 0, 0}, {36'000'000'000, 60, 0}};
    for (const Case& c : cases) {
        const PlayLength length = TruncatedLength(c.duration);
        EXPECT_EQ(length.minutes, c.minutes) << c.duration;
        EXPECT_EQ(length.seconds, c.seconds) << c.duration;
    }
}
