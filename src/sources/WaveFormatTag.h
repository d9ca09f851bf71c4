#pragma once
// The sample kind of a WAVE format block, as a WAV file's "fmt " chunk or the Windows Media
// runtime gives it: the devices play integer PCM and IEEE float only, so these are the tags
// a reader hands on.
#include <cstdint>

// 1 (integer PCM) or 3 (IEEE float), also for an extensible block whose sub-format names
// one of them; 0 for anything else. `size` counts the bytes of the block.
int32_t PlayableFormatTag(const uint8_t* block, uint32_t size);
