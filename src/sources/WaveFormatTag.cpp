#include "sources/WaveFormatTag.h"

#include <cstring>

#include "sources/AudioFile.h"
#include "sources/ByteOrder.h"

namespace {

constexpr int32_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kExtensibleBytes = 40;
constexpr uint16_t kExtensionSize = 22;
// The integer PCM and IEEE float sub-format GUIDs share all but their first two bytes,
// which hold the plain format tag.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool IsPlayable(int32_t tag) { return tag == FormatTagPcm || tag == FormatTagFloat; }

}  // namespace

int32_t PlayableFormatTag(const uint8_t* block, uint32_t size) {
    if (size < 2) return 0;
    const int32_t tag = LoadLe16(block);
    if (IsPlayable(tag)) return tag;
    // An extensible block without a whole extension names no sub-format.
    if (tag != kFormatExtensible || size < kExtensibleBytes || LoadLe16(block + 16) < kExtensionSize) return 0;
    const int32_t sub = LoadLe16(block + 24);
    return IsPlayable(sub) && std::memcmp(block + 26, kSubFormatTail, sizeof kSubFormatTail) == 0 ? sub : 0;
}
