#include "timeview/TimePosition.h"

#include <gtest/gtest.h>

namespace {

TEST(TimePosition, PlayTimeInEveryMode) {
    struct Case {
        uint32_t position, rate;
        int32_t mode;
        const wchar_t* text;
    } cases[] = {
        {2645999, 44100, TimeModeCdFrames, L"00:59.74"},
        {2645999, 44100, TimeModeHundredths, L"00:59.99"},
        {2645999, 44100, TimeModeNoFrames, L"00:59"},
        {2645999, 44100, TimeModeSmpte30, L"00:59.29"},
        {588, 44100, TimeModeCdFrames, L"00:00.01"},  // exactly on a fraction boundary
        {44100u * 180 * 60, 44100, TimeModeCdFrames, L"180:00.00"},
        {44100u * 300 * 60 + 44100 * 5, 44100, TimeModeCdFrames, L"300:05.00"},  // no byte wrap
        {kMaxPosition, 192000, TimeModeHundredths, L"186:24.81"},
        {123456, 0, TimeModeCdFrames, L"00:00.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlayTimeText(PositionToClock(c.position, c.rate, c.mode), c.mode), c.text) << c.position;
}

TEST(TimePosition, EveryFractionSurvivesTheRoundTrip) {
    for (uint32_t rate : {8000u, 22050u, 44100u, 48000u, 96000u, 192000u})
        for (int32_t mode = 0; mode < 4; ++mode)
            for (uint8_t f = 0; f < FractionsPerSecond(mode); ++f) {
                TimeCode t{0, 12, 34, f};
                uint32_t p = TimeToPosition(t, rate, mode, kMaxPosition);
                ASSERT_EQ(ToTimeCode(PositionToClock(p, rate, mode)), t) << rate << " " << mode << " " << int{f};
            }
}

TEST(TimePosition, TimeToPositionLimits) {
    // A fraction at or above the mode's count is the last fraction of its second.
    EXPECT_EQ(TimeToPosition({0, 0, 10, 50}, 44100, TimeModeSmpte30, kMaxPosition),
              TimeToPosition({0, 0, 10, 29}, 44100, TimeModeSmpte30, kMaxPosition));
    EXPECT_EQ(TimeToPosition({0, 0, 75, 80}, 44100, TimeModeCdFrames, kMaxPosition), 59 * 44100u + 74 * 588);
    EXPECT_EQ(TimeToPosition({0, 0, 75, 10}, 44100, TimeModeCdFrames, kMaxPosition), 75 * 44100u + 10 * 588);
    // Cut to the seek bar's range; a file of 0 frames maps everything to 0.
    EXPECT_EQ(TimeToPosition({0, 5, 0, 0}, 44100, TimeModeCdFrames, 1000), 1000u);
    EXPECT_EQ(TimeToPosition({0, 5, 0, 0}, 44100, TimeModeCdFrames, 0), 0u);
    // 255 minutes at 384 kHz is beyond 32 bits: cut, not wrapped.
    EXPECT_EQ(TimeToPosition({0, 255, 59, 0}, 384000, TimeModeCdFrames, kMaxPosition), kMaxPosition);
}

TEST(TimePosition, EditEchoKeepsPositionsBeyondTheMinutesByte) {
    const uint32_t longCue = 44100u * 60 * 290;  // 290 minutes: the edit holds 34
    TimeCode shown = ToTimeCode(PositionToClock(longCue, 44100, TimeModeCdFrames));
    EXPECT_EQ(shown.minutes, 34);
    EXPECT_EQ(EditToPosition(shown, longCue, 44100, TimeModeCdFrames, kMaxPosition), longCue);
    EXPECT_EQ(EditToPosition({0, 1, 0, 0}, longCue, 44100, TimeModeCdFrames, kMaxPosition), 44100u * 60);
}

TEST(TimePosition, EditNumberIsReadBackByTheTimeEdit) {
    EXPECT_EQ(EditNumber({0, 0, 59, 74}), 5974);
    EXPECT_EQ(EditNumber({0, 123, 45, 67}), 1234567);
}

TEST(TimePosition, WheelSteps) {
    EXPECT_EQ(WheelStep(44100, 120, false, false), 588u);
    EXPECT_EQ(WheelStep(44100, -240, false, false), 1176u);
    EXPECT_EQ(WheelStep(44100, 120, false, true), 44100u);
    EXPECT_EQ(WheelStep(44100, 120, true, true), 441000u);
    EXPECT_EQ(WheelStep(0, 120, false, false), 0u);

    struct Case {
        uint32_t cue, step;
        int32_t delta;
        uint32_t max, expected;
    } cases[] = {
        {1000, 588, -120, 100000, 1588}, {99500, 588, -120, 100000, 100000}, {100000, 588, -120, 100000, 100000},
        {50, 588, -120, 100, 100},  // a step longer than the file stays inside it
        {1000, 588, 120, 100000, 412},   {500, 588, 120, 100000, 0},         {0, 588, 120, 100000, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(WheelPosition(c.cue, c.step, c.delta, c.max), c.expected) << c.cue;
}

TEST(TimePosition, JogPointAndTip) {
    EXPECT_EQ(JogPoint(4410, 44100), 0u);  // 0.1 s
    EXPECT_EQ(JogPoint(8820, 44100), 0u);
    EXPECT_EQ(JogPoint(8821, 44100), 1u);
    EXPECT_EQ(JogPoint(100, 5), 100u);
    // The tip shows the snippet's end: 0.2 s after the jog point.
    EXPECT_EQ(JogTipText(PositionToClock(0 + 44100 / 5, 44100, TimeModeCdFrames)), L"JOG  0:00.15");
    EXPECT_EQ(JogTipText(PositionToClock(44100 * 61, 44100, TimeModeNoFrames)), L"JOG  1:01.00");
}

TEST(TimePosition, SeekRange) {
    struct Case {
        uint64_t total;
        uint32_t rate, max, page, line;
    } cases[] = {
        {441000, 44100, 441000, 4410, 100},
        {0, 44100, 0, 0, 0},
        {1000, 5, 1000, 10, 1000},  // a rate below 10 divides by one
        {(uint64_t{1} << 32) + 1000, 192000, kMaxPosition, kMaxPosition / 100, kMaxPosition / 19200},
    };
    for (const Case& c : cases) {
        SeekRange r = SeekRangeFor(c.total, c.rate);
        EXPECT_EQ(r.max, c.max);
        EXPECT_EQ(r.page, c.page);
        EXPECT_EQ(r.line, c.line);
    }
}

}  // namespace
