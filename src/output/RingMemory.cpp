#include "output/RingMemory.h"

#include "platform/Heap.h"
#include "platform/Report.h"

void* CRingMemory::Alloc(size_t bytes) {
    void* memory = platform::HeapAllocZeroed(bytes);
    if (memory) ++m_allocations;
    return memory;
}

void CRingMemory::Free(void* memory) {
    if (!memory) return;
    platform::HeapFree(memory);
    --m_allocations;
}

void CRingMemory::CheckFreed() {
    if (m_allocations == 0) return;
    platform::ShowReport(L"メモリリークがあります", m_leakCaption,
                         platform::ReportIconInformation | platform::ReportTaskModal | platform::ReportTopmost);
    m_allocations = 0;
}
