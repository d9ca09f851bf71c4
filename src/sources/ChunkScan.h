#pragma once
// Finding chunks in RIFF-like containers (WAV and AIFF).
#include <cstdint>
#include <cstring>

#include "platform/File.h"
#include "sources/ByteOrder.h"

inline bool IsChunkId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Searches the bytes from the current position on for the 4-byte id, anywhere (inside
// other chunks' data too; the first match wins), and reads `count` bytes from the match
// into out. On success the file is just past those bytes; otherwise it is back where it
// was. A match too close to the end of the file for `count` bytes is a failure.
bool ChunkScan(platform::File& file, const char* id, uint8_t* out, uint32_t count);

// Steps from chunk header to chunk header, starting at the current position, until the
// chunk `id`; leaves the file just past its 8-byte header and gives its size. Sizes are
// skipped exactly (no pad byte). Fails when a skip lands beyond the first 16 KiB of the
// file or the file ends first.
bool WalkToChunk(platform::File& file, const char* id, ByteOrder order, uint32_t& size);
