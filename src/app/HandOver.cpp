#include "app/HandOver.h"

#include <cstdint>
#include <cstring>

size_t HandOverPathLength(const void* data, size_t bytes) {
    if (!data || bytes % 2 != 0) return 0;
    const auto* p = static_cast<const unsigned char*>(data);
    size_t units = bytes / 2;
    for (size_t i = 0; i < units && i <= kMaxPathUnits; ++i) {
        uint16_t unit;
        std::memcpy(&unit, p + 2 * i, sizeof unit);
        if (unit == 0) return i;
    }
    return 0;
}
