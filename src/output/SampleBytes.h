#pragma once
// Little-endian integer samples of 1 to 4 bytes, read and written byte by byte.
#include <cstdint>

inline uint32_t LoadLow(const uint8_t* p, int bytes) {
    uint32_t w = 0;
    for (int i = 0; i < bytes; ++i) w |= static_cast<uint32_t>(p[i]) << (8 * i);
    return w;
}

inline void StoreLow(uint8_t* p, uint32_t w, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(w >> (8 * i));
}

// The sample left-justified in a signed 32-bit word (the shift count modulo 32, so no
// width makes it undefined).
inline int32_t LoadJustified(const uint8_t* p, int bytes) {
    return static_cast<int32_t>(LoadLow(p, bytes) << ((32 - 8 * bytes) & 31));
}
