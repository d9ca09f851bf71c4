#include "support/native/AllocationCounter.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<uint64_t> g_news{0};
}

uint64_t AllocationCounter::Count() { return g_news.load(); }

#ifdef ORVANE_SANITIZED
bool AllocationCounter::Enabled() { return false; }
#else
bool AllocationCounter::Enabled() { return true; }

void* operator new(std::size_t size) {
    ++g_news;
    if (void* p = std::malloc(size ? size : 1)) return p;
    std::abort();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif
