#pragma once
// A play length as the program shows it: whole minutes and seconds, always rounded up to
// the next second, so a whole number of seconds gains one.
#include <cstdint>

struct PlayLength {
    int minutes;
    int seconds;  // 0 to 59
};

// rate must not be 0.
inline PlayLength RoundedUpLength(uint64_t frames, uint64_t rate) {
    const uint64_t seconds = frames / rate + 1;
    return {static_cast<int>(seconds / 60), static_cast<int>(seconds % 60)};
}
