#pragma once
// Audio buffers: zero-filled blocks from the process heap, counted so tests can see that
// nothing is allocated per block.
#include <cstddef>
#include <cstdint>

namespace platform {

void* HeapAllocZeroed(size_t bytes);
void HeapFree(void* block);
// Number of HeapAllocZeroed calls that succeeded since the start of the process.
uint64_t HeapAllocations();

}  // namespace platform
