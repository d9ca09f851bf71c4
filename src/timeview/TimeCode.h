#pragma once
// A time as the time edit holds it and the time view shows it: four unsigned bytes.
#include <cstdint>

enum TimeUnit : int32_t { UnitHours = 0, UnitMinutes = 1, UnitSeconds = 2, UnitFraction = 3 };

struct TimeCode {
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint8_t fraction = 0;

    uint8_t& operator[](TimeUnit unit) { return unit == UnitHours ? hours : unit == UnitMinutes ? minutes : unit == UnitSeconds ? seconds : fraction; }
    uint8_t operator[](TimeUnit unit) const { return const_cast<TimeCode&>(*this)[unit]; }
    bool operator==(const TimeCode& o) const {
        return hours == o.hours && minutes == o.minutes && seconds == o.seconds && fraction == o.fraction;
    }
    bool operator!=(const TimeCode& o) const { return !(*this == o); }
};
