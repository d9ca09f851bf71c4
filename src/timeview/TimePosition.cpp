#include "timeview/TimePosition.h"

#include <cstdlib>
#include <cwchar>

int32_t FractionsPerSecond(int32_t mode) {
    static const int32_t kFractions[] = {75, 75, 30, 100};
    return kFractions[mode & 3];
}

ClockTime PositionToClock(uint32_t position, uint32_t rate, int32_t mode) {
    ClockTime t;
    if (rate == 0) return t;
    t.fraction = static_cast<uint32_t>(uint64_t{position % rate} * static_cast<uint32_t>(FractionsPerSecond(mode)) / rate);
    t.seconds = position / rate % 60;
    t.minutes = static_cast<uint32_t>(position / (uint64_t{rate} * 60));
    return t;
}

TimeCode ToTimeCode(const ClockTime& t) {
    TimeCode c;
    c.minutes = static_cast<uint8_t>(t.minutes);
    c.seconds = static_cast<uint8_t>(t.seconds);
    c.fraction = static_cast<uint8_t>(t.fraction);
    return c;
}

uint32_t TimeToPosition(TimeCode t, uint32_t rate, int32_t mode, uint32_t rangeMax) {
    const int32_t n = FractionsPerSecond(mode);
    if (t.fraction >= n) {
        t.fraction = static_cast<uint8_t>(n - 1);
        if (t.seconds > 59) t.seconds = 59;
    }
    // Rounded up: the first frame that shows the fraction, so the time reads back unchanged.
    const uint64_t p = (uint64_t{t.minutes} * 60 + t.seconds) * rate + (uint64_t{t.fraction} * rate + static_cast<uint32_t>(n) - 1) / static_cast<uint32_t>(n);
    return p < rangeMax ? static_cast<uint32_t>(p) : rangeMax;
}

uint32_t EditToPosition(const TimeCode& edit, uint32_t cue, uint32_t rate, int32_t mode, uint32_t rangeMax) {
    if (edit == ToTimeCode(PositionToClock(cue, rate, mode))) return cue;
    return TimeToPosition(edit, rate, mode, rangeMax);
}

int32_t EditNumber(const TimeCode& t) { return t.minutes * 10000 + t.seconds * 100 + t.fraction; }

std::wstring PlayTimeText(const ClockTime& t, int32_t mode) {
    wchar_t s[40];
    if (mode == TimeModeNoFrames)
        std::swprintf(s, 40, L"%02u:%02u", t.minutes, t.seconds);
    else
        std::swprintf(s, 40, L"%02u:%02u.%02u", t.minutes, t.seconds, t.fraction);
    return s;
}

std::wstring JogTipText(const ClockTime& t) {
    wchar_t s[48];
    std::swprintf(s, 48, L"JOG %2u:%02u.%02u", t.minutes, t.seconds, t.fraction);
    return s;
}

uint32_t WheelStep(uint32_t rate, int32_t delta, bool shift, bool control) {
    if (shift) return 10 * rate;
    if (control) return rate;
    return static_cast<uint32_t>(std::llabs(static_cast<long long>(rate / 75 * static_cast<double>(delta) / 120.0)));
}

uint32_t WheelPosition(uint32_t cue, uint32_t step, int32_t delta, uint32_t rangeMax) {
    if (delta < 0) return cue < rangeMax && rangeMax - cue > step ? cue + step : rangeMax;
    return cue > step ? cue - step : 0;
}

uint32_t JogPoint(uint32_t cue, uint32_t rate) {
    const int64_t start = int64_t{cue} - 2 * int64_t{rate / 10};
    return start > 0 ? static_cast<uint32_t>(start) : 0;
}

SeekRange SeekRangeFor(uint64_t totalFrames, uint32_t rate) {
    SeekRange r;
    if (totalFrames == 0) return r;
    r.max = totalFrames < kMaxPosition ? static_cast<uint32_t>(totalFrames) : kMaxPosition;
    r.page = r.max / 100;
    // Frames in a tenth of a second; a rate below 10 counts as one.
    const uint32_t tenth = rate / 10 ? rate / 10 : 1;
    r.line = r.max / tenth;
    return r;
}
