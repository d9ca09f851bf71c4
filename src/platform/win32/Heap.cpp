// The process heap, with a count of the blocks taken from it.
#include <windows.h>

#include <atomic>

#include "platform/Heap.h"

namespace platform {

namespace {
std::atomic<uint64_t> g_heapAllocations{0};
}

void* HeapAllocZeroed(size_t bytes) {
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
    if (block) ++g_heapAllocations;
    return block;
}

void HeapFree(void* block) {
    if (block) ::HeapFree(GetProcessHeap(), 0, block);
}

uint64_t HeapAllocations() { return g_heapAllocations.load(); }

}  // namespace platform
