#pragma once
// Counts every operator new in the test program, so a test can prove a code path does not
// allocate. Sanitizer runtimes own operator new; there the counter is off.
#include <cstdint>

struct AllocationCounter {
    static bool Enabled();
    static uint64_t Count();
};
