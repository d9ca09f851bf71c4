// The Ogg Vorbis and FLAC readers through the native vorbisdec and flacdec: decode speed in
// the engine's block pattern (blocks of 2 s, read a quarter at a time, each read resting
// 10 ms as the readers do) and in reads of 64 MiB (the decoding alone), with every heap
// allocation of a pass counted, the decoders' own included. Files from ORVANE_BENCH_OGG and
// ORVANE_BENCH_FLAC; tests/bench/plugins.sh makes them and runs this beside oggdec and flac -d.
#include <atomic>
#include <cstdlib>

#include "DecodeBench.h"
#include "sources/PluginFile.h"

// glibc's allocator under the names the program and the loaded decoders call, counted.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
}

namespace {

std::atomic<uint64_t> g_allocations{0};

uint64_t Allocations() { return g_allocations.load(); }

template <class Reader>
void Decode(benchmark::State& state, const char* variable, const char* library, uint32_t readBytes) {
    const char* path = std::getenv(variable);
    if (!path) return state.SkipWithError("no file: run tests/bench/plugins.sh");
    Reader reader(Wide(library));
    if (!reader.Open(Wide(path))) return state.SkipWithError("cannot open");
    DecodePasses(state, reader, readBytes, Allocations);
}

void Ogg(benchmark::State& state, uint32_t readBytes) {
    Decode<COggFile>(state, "ORVANE_BENCH_OGG", ORVANE_VORBISDEC, readBytes);
}
void Flac(benchmark::State& state, uint32_t readBytes) {
    Decode<CFlacFile>(state, "ORVANE_BENCH_FLAC", ORVANE_FLACDEC, readBytes);
}

BENCHMARK_CAPTURE(Ogg, engine, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Ogg, whole, 64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Flac, engine, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Flac, whole, 64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

extern "C" {
void* malloc(size_t size) {
    ++g_allocations;
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    ++g_allocations;
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    ++g_allocations;
    return __libc_realloc(p, size);
}
}

BENCHMARK_MAIN();
