// Read throughput of the WAV and AIFF readers in the engine's pattern (each block read in
// quarter-block chunks), beside a plain read of the same file in the same pattern: the
// limit. The files come from ORVANE_BENCH_WAV and ORVANE_BENCH_AIFF (tests/bench/readers.sh).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/File.h"
#include "sources/AiffFile.h"
#include "sources/WaveFile.h"

namespace {

std::wstring PathFrom(const char* variable) {
    const char* path = std::getenv(variable);
    return path ? std::wstring(path, path + std::char_traits<char>::length(path)) : std::wstring();
}

// Reads one whole pass in blocks of blockBytes, a quarter at a time; returns the bytes read.
template <class Source>
int64_t ReadPass(const Source& read, int blockBytes, std::vector<uint8_t>& block) {
    int64_t total = 0;
    for (;;) {
        int filled = 0;
        while (filled < blockBytes) {
            const int n = read(block.data() + filled, std::min(blockBytes / 4, blockBytes - filled));
            if (n <= 0) return total + filled;
            filled += n;
        }
        total += filled;
        benchmark::DoNotOptimize(block.data());
    }
}

// The reader is called through the base class, as the engine calls it.
void ReaderRead(benchmark::State& state, CAudioFile&& reader, const char* variable) {
    if (!reader.Open(PathFrom(variable))) return state.SkipWithError("no file: run tests/bench/readers.sh");
    std::vector<uint8_t> block(static_cast<size_t>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        reader.Seek(0);
        bytes += ReadPass([&](uint8_t* p, int n) { return reader.Read(p, static_cast<uint32_t>(n)); },
                          static_cast<int>(state.range(0)), block);
    }
    state.SetBytesProcessed(bytes);
}

void RawRead(benchmark::State& state, const char* variable) {
    platform::File file;
    if (!file.OpenRead(PathFrom(variable), platform::FileShare::Read))
        return state.SkipWithError("no file: run tests/bench/readers.sh");
    std::vector<uint8_t> block(static_cast<size_t>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        file.Seek(0);
        bytes += ReadPass([&](uint8_t* p, int n) { return static_cast<int>(file.Read(p, static_cast<uint32_t>(n))); },
                          static_cast<int>(state.range(0)), block);
    }
    state.SetBytesProcessed(bytes);
}

// 100 ms of 24-bit stereo at 44.1 kHz, whose quarters end inside a sample, and a block
// whose quarters are whole frames.
#define BLOCKS ->Arg(26460)->Arg(24576)->Unit(benchmark::kMillisecond)
BENCHMARK_CAPTURE(ReaderRead, wav, CWaveFile(), "ORVANE_BENCH_WAV") BLOCKS;
BENCHMARK_CAPTURE(RawRead, wav, "ORVANE_BENCH_WAV") BLOCKS;
BENCHMARK_CAPTURE(ReaderRead, aiff, CAiffFile(), "ORVANE_BENCH_AIFF") BLOCKS;
BENCHMARK_CAPTURE(RawRead, aiff, "ORVANE_BENCH_AIFF") BLOCKS;

}  // namespace

BENCHMARK_MAIN();
