#pragma once
// Test fixtures for the WAV and AIFF readers: byte layouts written here for the shapes
// outside tools do not make, files made by sox and ffmpeg, and what libsndfile decodes.
#include <cstdint>
#include <string>
#include <vector>

#include "sources/AudioFile.h"

// A growing byte layout.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& Id(const char* id);
    Bytes& Le(uint64_t value, int bytes);
    Bytes& Be(uint64_t value, int bytes);
    Bytes& Add(const Bytes& more);
    Bytes& Fill(size_t count, uint8_t value = 0);
};

// A chunk with its 8-byte header; never padded. bigEndian sizes for AIFF.
Bytes Chunk(const char* id, const Bytes& body, bool bigEndian = false);
// A "fmt " chunk whose body is `size` bytes (zeros after the first 16).
Bytes WaveFmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t size = 16);
Bytes RiffWave(const Bytes& chunks);
// RF64 with its ds64 chunk first; the data chunk's own size field is left at -1.
Bytes Rf64Wave(uint64_t dataSize, const Bytes& chunks);
Bytes Extended(double value);  // 80-bit big-endian IEEE extended
// A "COMM" chunk whose body is `size` bytes (zeros after the first 18).
Bytes AiffComm(uint16_t channels, uint32_t frames, uint16_t bits, double rate, uint32_t size = 18);
Bytes AiffSsnd(uint32_t offset, const Bytes& sound);
Bytes Form(const char* type, const Bytes& chunks);

// The running test's own folder under the unit tests' temporary folder, created on first
// use: ctest runs the tests of one program side by side, so no two may share a file.
std::string TestFolder();
// A path in TestFolder().
std::string TempPath(const std::string& name);
std::wstring Wide(const std::string& path);
std::wstring WriteTemp(const std::string& name, const Bytes& bytes);
// Runs a shell command quietly; true when it succeeded.
bool RunTool(const std::string& command);

// What libsndfile decodes, as little-endian interleaved samples of the file's own width
// (8-bit as stored: unsigned in WAV, signed in AIFF). ok is false when it cannot read it.
struct ReferencePcm {
    bool ok = false;
    int64_t frames = 0;
    int rate = 0;
    int channels = 0;
    std::vector<uint8_t> pcm;
};
ReferencePcm DecodeWithSndfile(const std::string& path);

// Everything a reader delivers, read as the engine does: blocks of blockBytes in chunks
// of a quarter block, the last chunk cut to what remains.
std::vector<uint8_t> ReadInQuarterBlocks(CAudioFile& reader, int blockBytes);
