#pragma once
// Decode speed of a decoding reader, shared by the decoder benchmarks: whole passes from
// frame 0 in reads of a given size, with the allocations a pass makes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sources/AudioFile.h"

inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Reads to the end in reads of block.size() bytes; returns the PCM bytes.
inline int64_t DecodeAll(CAudioFile& reader, std::vector<uint8_t>& block, std::vector<uint8_t>* keep = nullptr) {
    int64_t total = 0;
    for (int n; (n = reader.Read(block.data(), static_cast<uint32_t>(block.size()))) > 0; total += n)
        if (keep) keep->insert(keep->end(), block.begin(), block.begin() + n);
    return total;
}

// A quarter of the engine's default 2 s block.
inline size_t Quarter(const CAudioFile& reader) {
    return static_cast<size_t>(reader.Format().sampleRate * reader.Format().blockAlign / 2);
}

// Passes over an open reader in reads of readBytes (0: the engine's quarter block), counting
// what allocations() counts. The first pass after opening is counted apart: a decoder may
// grow its working memory while decoding its first packets (libvorbis does); what a later
// pass allocates, its seek to the start included, is allocation per block.
inline void DecodePasses(benchmark::State& state, CAudioFile& reader, uint32_t readBytes, uint64_t (*allocations)()) {
    std::vector<uint8_t> block(readBytes ? readBytes : Quarter(reader));
    const auto countedPass = [&](int64_t& bytes) {
        const uint64_t before = allocations();
        reader.Seek(0);
        reader.Read(nullptr, 0);
        bytes += DecodeAll(reader, block);
        return allocations() - before;
    };
    int64_t bytes = 0, passes = 0;
    const uint64_t first = countedPass(bytes);
    bytes = 0;
    uint64_t allocated = 0;
    for (auto _ : state) {
        allocated += countedPass(bytes);
        ++passes;
    }
    state.SetBytesProcessed(bytes);
    state.counters["heap_allocs_first_pass"] = static_cast<double>(first);
    state.counters["heap_allocs_per_pass"] = static_cast<double>(allocated) / static_cast<double>(passes);
}
