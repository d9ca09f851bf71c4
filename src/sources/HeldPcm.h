#pragma once
// PCM a decoder handed over in its own block size, gathered into the byte counts the engine
// asks for.
#include <algorithm>
#include <cstdint>
#include <cstring>

// What is left of the block being handed out.
struct HeldPcm {
    const uint8_t* cursor = nullptr;
    uint32_t unread = 0;
};

enum class Refill { Filled, End, Failed };

struct Gathered {
    uint32_t bytes;
    bool failed;  // the refill failed; bytes were gathered before it
};

// Fills out with up to `bytes`, calling refill() to put the next block into held whenever
// it runs dry; stops at the end or at a failed refill.
template <class RefillFn>
Gathered GatherPcm(HeldPcm& held, uint8_t* out, uint32_t bytes, RefillFn refill) {
    uint32_t copied = 0;
    while (copied < bytes) {
        if (held.unread == 0) {
            const Refill result = refill();
            if (result != Refill::Filled) return {copied, result == Refill::Failed};
        }
        const uint32_t n = std::min(bytes - copied, held.unread);
        std::memcpy(out + copied, held.cursor, n);
        copied += n;
        held.cursor += n;
        held.unread -= n;
    }
    return {copied, false};
}
