#include "support/native/AudioFixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

Bytes& Bytes::Id(const char* id) {
    v.insert(v.end(), id, id + 4);
    return *this;
}

Bytes& Bytes::Le(uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
}

Bytes& Bytes::Be(uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) v.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
}

Bytes& Bytes::Add(const Bytes& more) {
    v.insert(v.end(), more.v.begin(), more.v.end());
    return *this;
}

Bytes& Bytes::Fill(size_t count, uint8_t value) {
    v.insert(v.end(), count, value);
    return *this;
}

Bytes Chunk(const char* id, const Bytes& body, bool bigEndian) {
    Bytes b;
    b.Id(id);
    bigEndian ? b.Be(body.v.size(), 4) : b.Le(body.v.size(), 4);
    return b.Add(body);
}

Bytes WaveFmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t size) {
    const uint32_t align = channels * bits / 8;
    Bytes body;
    body.Le(tag, 2).Le(channels, 2).Le(rate, 4).Le(rate * align, 4).Le(align, 2).Le(bits, 2);
    body.Fill(size - 16);
    return Chunk("fmt ", body);
}

Bytes RiffWave(const Bytes& chunks) { return Bytes().Id("RIFF").Le(chunks.v.size() + 4, 4).Id("WAVE").Add(chunks); }

Bytes Rf64Wave(uint64_t dataSize, const Bytes& chunks) {
    Bytes ds64;
    ds64.Le(0, 8).Le(dataSize, 8).Le(0, 8).Le(0, 4);
    return Bytes().Id("RF64").Le(0xFFFFFFFF, 4).Id("WAVE").Add(Chunk("ds64", ds64)).Add(chunks);
}

Bytes Extended(double value) {
    if (value == 0) return Bytes().Fill(10);
    int exponent = 0;
    const double mantissa = std::frexp(value, &exponent);  // in [0.5, 1)
    const auto bits = static_cast<uint64_t>(std::ldexp(mantissa, 64));
    return Bytes().Be(static_cast<uint64_t>(exponent - 1 + 16383), 2).Be(bits, 8);
}

Bytes AiffComm(uint16_t channels, uint32_t frames, uint16_t bits, double rate, uint32_t size) {
    Bytes body;
    body.Be(channels, 2).Be(frames, 4).Be(bits, 2).Add(Extended(rate)).Fill(size - 18);
    return Chunk("COMM", body, true);
}

Bytes AiffSsnd(uint32_t offset, const Bytes& sound) {
    return Chunk("SSND", Bytes().Be(offset, 4).Be(0, 4).Add(sound), true);
}

Bytes Form(const char* type, const Bytes& chunks) {
    return Bytes().Id("FORM").Be(chunks.v.size() + 4, 4).Id(type).Add(chunks);
}

std::string TestFolder() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = ORVANE_TEST_TMP;
    if (test) dir /= std::string(test->test_suite_name()) + "." + test->name();
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string TempPath(const std::string& name) { return TestFolder() + "/" + name; }

std::wstring Wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

std::wstring WriteTemp(const std::string& name, const Bytes& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.v.data()),
                                                static_cast<std::streamsize>(bytes.v.size()));
    return Wide(path);
}

bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

namespace {

// Width in bytes of the stored samples, and whether 8-bit samples are stored unsigned.
int StoredWidth(int subtype, bool& unsigned8) {
    unsigned8 = subtype == SF_FORMAT_PCM_U8;
    switch (subtype) {
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_S8: return 1;
        case SF_FORMAT_PCM_16: return 2;
        case SF_FORMAT_PCM_24: return 3;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT: return 4;
        default: return 0;
    }
}

}  // namespace

ReferencePcm DecodeWithSndfile(const std::string& path) {
    ReferencePcm ref;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return ref;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    bool unsigned8 = false;
    const int width = StoredWidth(subtype, unsigned8);
    const size_t samples = static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels);
    std::vector<int32_t> values(samples);
    // Float samples come back as their own bits; integers left-justified in 32 bits.
    const sf_count_t got = subtype == SF_FORMAT_FLOAT
                               ? sf_readf_float(file, reinterpret_cast<float*>(values.data()), info.frames)
                               : sf_readf_int(file, values.data(), info.frames);
    sf_close(file);
    if (width == 0 || got != info.frames) return ref;
    for (int32_t value : values) {
        const uint32_t bits = static_cast<uint32_t>(value) + (unsigned8 ? 0x80000000u : 0);
        for (int i = 0; i < width; ++i) ref.pcm.push_back(static_cast<uint8_t>(bits >> (8 * (4 - width + i))));
    }
    ref.ok = true;
    ref.frames = info.frames;
    ref.rate = info.samplerate;
    ref.channels = info.channels;
    return ref;
}

std::vector<uint8_t> ReadInQuarterBlocks(CAudioFile& reader, int blockBytes) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> block(static_cast<size_t>(blockBytes));
    for (;;) {
        int filled = 0;
        int n = 0;
        while (filled < blockBytes) {
            const int chunk = std::min(blockBytes / 4, blockBytes - filled);
            n = reader.Read(block.data() + filled, static_cast<uint32_t>(chunk));
            if (n <= 0) break;
            filled += n;
        }
        all.insert(all.end(), block.begin(), block.begin() + filled);
        if (n <= 0) return all;
    }
}
