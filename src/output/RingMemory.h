#pragma once
// The heap memory of a device's block ring, counted: what is still allocated when the
// ring has been freed is a leak (a block the driver never gave back is left to it), and
// the user is told of it once.
#include <cstddef>
#include <cstdint>

class CRingMemory {
public:
    explicit CRingMemory(const wchar_t* leakCaption) : m_leakCaption(leakCaption) {}

    // Zeroed; null, and not counted, when the heap refuses.
    void* Alloc(size_t bytes);
    // Null is ignored.
    void Free(void* memory);
    // After the ring has been freed: shows the leak box if anything is still allocated,
    // then counts afresh.
    void CheckFreed();

private:
    const wchar_t* m_leakCaption;
    int32_t m_allocations = 0;
};
