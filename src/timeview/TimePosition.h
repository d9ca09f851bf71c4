#pragma once
// The time view's arithmetic between sample-frame positions and shown times, the cue
// position's steps and the seek bar's range. Positions are frame indices from the start of
// the audio; rate is frames per second.
#include <cstdint>
#include <string>

#include "timeview/TimeCode.h"

enum TimeMode : int32_t { TimeModeNoFrames = 0, TimeModeCdFrames = 1, TimeModeSmpte30 = 2, TimeModeHundredths = 3 };

// Fractions per second of a display mode (75, 75, 30, 100).
int32_t FractionsPerSecond(int32_t mode);

// A play time as shown; minutes are not held in a byte, so long files show the right time.
struct ClockTime {
    uint32_t minutes = 0;
    uint32_t seconds = 0;
    uint32_t fraction = 0;
    bool operator==(const ClockTime& o) const { return minutes == o.minutes && seconds == o.seconds && fraction == o.fraction; }
    bool operator!=(const ClockTime& o) const { return !(*this == o); }
};

// The largest position the time view handles: the seek bar and the engine count in signed
// 32-bit frames, so longer files end there instead of wrapping.
constexpr uint32_t kMaxPosition = 0x7FFFFFFF;

// Exact integer arithmetic: a position on a fraction boundary shows that fraction.
ClockTime PositionToClock(uint32_t position, uint32_t rate, int32_t mode);
// The time edit's form: minutes in a byte, hours 0.
TimeCode ToTimeCode(const ClockTime& t);
// A time edit value as a position; a fraction at or above the mode's count is the last
// fraction of its second; the result is at most rangeMax.
uint32_t TimeToPosition(TimeCode t, uint32_t rate, int32_t mode, uint32_t rangeMax);
// The cue position a time edit value gives. The edit echoing the value it was given keeps
// the position, so a position whose minutes do not fit the edit's byte survives the echo.
uint32_t EditToPosition(const TimeCode& edit, uint32_t cue, uint32_t rate, int32_t mode, uint32_t rangeMax);
// The number written into the time edit: minutes, seconds and fraction as decimal pairs.
int32_t EditNumber(const TimeCode& t);

// "%02d:%02d" without fractions (mode 0), else "%02d:%02d.%02d".
std::wstring PlayTimeText(const ClockTime& t, int32_t mode);
// The jog tip: the end of the snippet, always with the fraction.
std::wstring JogTipText(const ClockTime& t);

// Shift: ten seconds, Ctrl: one second, else a seventy-fifth of a second per notch.
uint32_t WheelStep(uint32_t rate, int32_t delta, bool shift, bool control);
// The cue position after a wheel turn: towards the user (delta < 0) forward to at most
// rangeMax, away back to at least 0.
uint32_t WheelPosition(uint32_t cue, uint32_t step, int32_t delta, uint32_t rangeMax);
// Start of the snippet jog repeats: two tenths of a second before the cue position.
uint32_t JogPoint(uint32_t cue, uint32_t rate);

struct SeekRange {
    uint32_t max = 0;
    uint32_t page = 0;
    uint32_t line = 0;
};
// The seek bar over a file of totalFrames (0: unknown) at rate.
SeekRange SeekRangeFor(uint64_t totalFrames, uint32_t rate);
