// The MPEG reader through the native mpglib: decode speed in the engine's block pattern
// (blocks of 2 s, read a quarter at a time, each read resting 10 ms as the reader does)
// and in reads of 64 MiB (the decoding alone); the time Open takes and the part of it the
// frame index takes; and, with the argument "seek", how far the frame a seek reports lies
// from where its sound really is in mpg123's decode (FILE.raw beside each file). Files from
// ORVANE_BENCH_MP3 (a list separated by ':'); tests/bench/mpeg.sh makes them and runs all
// beside mpg123.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "DecodeBench.h"
#include "platform/Heap.h"
#include "sources/MpegFile.h"
#include "sources/MpegIndex.h"

namespace {

std::vector<std::string> Files() {
    std::vector<std::string> files;
    std::stringstream list(std::getenv("ORVANE_BENCH_MP3") ? std::getenv("ORVANE_BENCH_MP3") : "");
    for (std::string file; std::getline(list, file, ':');)
        if (!file.empty()) files.push_back(file);
    return files;
}

void Decode(benchmark::State& state, size_t index, uint32_t readBytes) {
    const std::vector<std::string> files = Files();
    if (index >= files.size()) return state.SkipWithError("no file: run tests/bench/mpeg.sh");
    CMpegFile reader(Wide(ORVANE_MPGLIB));
    if (!reader.Open(Wide(files[index]))) return state.SkipWithError("cannot open");
    DecodePasses(state, reader, readBytes, platform::HeapAllocations);
}

BENCHMARK_CAPTURE(Decode, file0, 0, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Decode, file1, 1, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Decode, file0_whole, 0, 64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Decode, file1_whole, 1, 64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open and Close as the engine does them for each run.
void Open(benchmark::State& state, size_t index) {
    const std::vector<std::string> files = Files();
    if (index >= files.size()) return state.SkipWithError("no file: run tests/bench/mpeg.sh");
    CMpegFile reader(Wide(ORVANE_MPGLIB));
    for (auto _ : state) {
        if (!reader.Open(Wide(files[index]))) return state.SkipWithError("cannot open");
        reader.Close();
    }
}

// The frame index alone, over a file already open: what Open spends beyond the parse.
void Index(benchmark::State& state, size_t index) {
    const std::vector<std::string> files = Files();
    if (index >= files.size()) return state.SkipWithError("no file: run tests/bench/mpeg.sh");
    platform::File file;
    AudioFormatInfo format;
    XingInfo xing;
    if (!file.OpenRead(Wide(files[index]), platform::FileShare::None) || !ParseMpegStream(file, format, xing))
        return state.SkipWithError("cannot parse");
    const MpegTrim trim = FindMpegTrim(file, format, xing.header);
    CMpegIndex frames;
    for (auto _ : state) frames.Build(file, format, xing.header, format.dataOffset + trim.infoFrameBytes);
    state.counters["frames"] = frames.Count();
}

BENCHMARK_CAPTURE(Open, file0, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Open, file1, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Index, file0, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Index, file1, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

int16_t Sample(const std::vector<uint8_t>& v, size_t i) { return static_cast<int16_t>(v[2 * i] | v[2 * i + 1] << 8); }

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        uint8_t chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(in);
    }
    return bytes;
}

// 20 seeks spread over each file: the reported frame against the frame where the PCM read
// after the seek (past a few frames, should the decoder need them to settle) is found in
// mpg123's decode, within 1 LSB; and how many seeks gave mpg123's PCM exactly from the
// reported frame on.
int MeasureSeeks() {
    for (const std::string& path : Files()) {
        CMpegFile reader(Wide(ORVANE_MPGLIB));
        const std::vector<uint8_t> whole = FileBytes(path + ".raw");
        if (whole.empty() || !reader.Open(Wide(path))) return 1;
        const size_t channels = static_cast<size_t>(reader.Format().channels);
        const double rate = reader.Format().sampleRate;
        const uint32_t settle = 4 * 1152, probe = 256;
        std::vector<double> errors;
        int exact = 0;
        for (int i = 1; i <= 20; ++i) {
            const auto target = static_cast<uint32_t>(reader.Format().totalFrames * i / 22);
            const int reached = reader.Seek(target);
            std::vector<uint8_t> pcm((settle + probe) * channels * 2);
            if (reader.Read(pcm.data(), static_cast<uint32_t>(pcm.size())) != static_cast<int>(pcm.size())) continue;
            const size_t from = static_cast<size_t>(reached) * channels * 2;
            exact += from + pcm.size() <= whole.size() && std::equal(pcm.begin(), pcm.end(), whole.begin() + static_cast<long>(from));
            const size_t first = settle * channels, count = probe * channels;
            for (size_t at = 0; (at + count) * 2 <= whole.size(); at += channels) {
                size_t k = 0;
                while (k < count && std::abs(Sample(whole, at + k) - Sample(pcm, first + k)) <= 1) ++k;
                if (k < count) continue;
                const double heard = static_cast<double>(at / channels) - settle;
                errors.push_back(std::fabs(heard - reached) / rate * 1000);
                break;
            }
        }
        std::sort(errors.begin(), errors.end());
        if (errors.empty()) return 1;
        std::printf("%s: %zu of 20 seeks found; error median %.1f ms, worst %.1f ms; %d of 20 exact from the frame reported\n",
                    path.c_str(), errors.size(), errors[errors.size() / 2], errors.back(), exact);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "seek") == 0) return MeasureSeeks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
