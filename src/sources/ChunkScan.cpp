#include "sources/ChunkScan.h"

#include <vector>

namespace {
constexpr uint32_t kScanBlock = 16384;
constexpr int64_t kWalkLimit = 16384;
}  // namespace

bool ChunkScan(platform::File& file, const char* id, uint8_t* out, uint32_t count) {
    const int64_t start = file.Tell();
    if (start < 0) return false;
    std::vector<uint8_t> block(kScanBlock);
    int64_t blockAt = start;
    uint32_t request = kScanBlock;
    for (;;) {
        const int64_t got = file.Read(block.data(), request);
        // The last 4 positions are left to the next block, which starts 4 bytes back.
        for (int64_t i = 0; i + 4 < got; ++i) {
            if (!IsChunkId(&block[static_cast<size_t>(i)], id)) continue;
            if (file.Seek(blockAt + i) && file.Read(out, count) == count) return true;
            file.Seek(start);
            return false;
        }
        blockAt += got - 4;
        if (got <= 8 || !file.Seek(blockAt)) break;
        request = static_cast<uint32_t>(got);
    }
    file.Seek(start);
    return false;
}

bool WalkToChunk(platform::File& file, const char* id, ByteOrder order, uint32_t& size) {
    int64_t at = file.Tell();
    for (;;) {
        uint8_t header[8];
        if (at < 0 || file.Read(header, 8) != 8) return false;
        size = Load32(header + 4, order);
        if (IsChunkId(header, id)) return true;
        at += 8 + static_cast<int64_t>(size);
        if (at > kWalkLimit || !file.Seek(at)) return false;
    }
}
