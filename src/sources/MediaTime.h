#pragma once
// The Windows Media runtime's clock: durations and positions in units of 100 ns.
#include <cstdint>

#include "sources/PlayLength.h"

inline constexpr uint64_t kMediaUnitsPerSecond = 10'000'000;

// Whole frames in a duration, truncated; split so that no duration overflows the product.
inline uint64_t FramesOfDuration(uint64_t duration, uint64_t rate) {
    return duration / kMediaUnitsPerSecond * rate + duration % kMediaUnitsPerSecond * rate / kMediaUnitsPerSecond;
}

// Where a frame starts; 0 without a rate.
inline uint64_t MediaTimeOfFrame(uint32_t frame, uint64_t rate) {
    return rate ? frame * kMediaUnitsPerSecond / rate : 0;
}

// Whole seconds of a duration, not rounded up: a runtime's duration is the exact play time.
inline PlayLength TruncatedLength(uint64_t duration) {
    const uint64_t seconds = duration / kMediaUnitsPerSecond;
    return {static_cast<int>(seconds / 60), static_cast<int>(seconds % 60)};
}
