#include "ui/DropList.h"

#include <cstdint>
#include <cstring>

namespace {
constexpr size_t kHeaderSize = 20;  // pFiles, pt, fNC, fWide
constexpr size_t kWideOffset = 16;

uint32_t Load32(const unsigned char* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

bool IsZero(const unsigned char* p, size_t unit) { return p[0] == 0 && (unit == 1 || p[1] == 0); }
}  // namespace

bool DropListIsReadable(const void* block, size_t size) {
    if (!block || size < kHeaderSize) return false;
    const auto* bytes = static_cast<const unsigned char*>(block);
    const size_t offset = Load32(bytes);
    const size_t unit = Load32(bytes + kWideOffset) ? 2 : 1;
    if (offset > size) return false;
    // Every name ends in a zero and a second zero ends the list, so even an empty list is
    // two zeros: the system steps past a name's zero before it looks for the end.
    bool afterZero = false;
    for (size_t at = offset; size - at >= unit; at += unit) {
        const bool zero = IsZero(bytes + at, unit);
        if (zero && afterZero) return true;
        afterZero = zero;
    }
    return false;
}
