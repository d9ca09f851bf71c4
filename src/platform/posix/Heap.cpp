// The C heap, with a count of the blocks taken from it.
#include <atomic>
#include <cstdlib>

#include "platform/Heap.h"

namespace platform {

namespace {
std::atomic<uint64_t> g_heapAllocations{0};
}

void* HeapAllocZeroed(size_t bytes) {
    void* block = std::calloc(1, bytes ? bytes : 1);
    if (block) ++g_heapAllocations;
    return block;
}

void HeapFree(void* block) { std::free(block); }

uint64_t HeapAllocations() { return g_heapAllocations.load(); }

}  // namespace platform
