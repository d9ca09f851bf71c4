// Throughput of the 16-bit reduction, 24-bit stereo in, per dither type, beside a plain
// copy of the same bytes. Items are samples (two per frame).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "output/Dither.h"

namespace {

constexpr uint32_t kFrames = 192000 / 5;  // one fifth of a second at 192 kHz

std::vector<uint8_t> Source() {
    std::vector<uint8_t> data(kFrames * 2 * 3);
    uint32_t x = 12345;
    for (uint8_t& b : data) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    return data;
}

void Reduce(benchmark::State& state) {
    const std::vector<uint8_t> source = Source();
    std::vector<uint8_t> out(kFrames * 2 * 2);
    CSampleReducer reducer;
    reducer.Setup(2, 3, 16, static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        reducer.To16(source.data(), out.data(), kFrames);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames * 2);
}

void Copy(benchmark::State& state) {
    const std::vector<uint8_t> source = Source();
    std::vector<uint8_t> out(source.size());
    for (auto _ : state) {
        std::memcpy(out.data(), source.data(), source.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames * 2);
}

}  // namespace

BENCHMARK(Reduce)->ArgName("dither")->DenseRange(DitherNone, DitherNoiseShaping);
BENCHMARK(Copy);
BENCHMARK_MAIN();
