#include "sources/AiffFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sources/ChunkScan.h"
#include "sources/PcmStream.h"

namespace {

constexpr uint32_t kCommBytes = 26;  // id, size and an 18-byte body

bool ParseAiff(platform::File& file, AudioFormatInfo& format) {
    uint8_t head[12];
    // Compressed files (form type AIFC) are not read.
    if (file.Read(head, sizeof head) != sizeof head || !IsChunkId(head, "FORM") || !IsChunkId(head + 8, "AIFF"))
        return false;
    uint8_t comm[kCommBytes];
    if (!ChunkScan(file, "COMM", comm, kCommBytes) || uint64_t{LoadBe32(comm + 4)} + 8 > kCommBytes) return false;
    const double rate = ExtendedToDouble(comm + 16);
    if (!(rate >= 0 && rate <= std::numeric_limits<int32_t>::max())) return false;
    // A sample size that is not whole bytes (12 or 20 bits) is stored left-justified in
    // whole bytes, and plays as that container.
    const uint32_t sampleBytes = (LoadBe16(comm + 14) + 7u) / 8;
    format.formatTag = FormatTagPcm;
    format.channels = LoadBe16(comm + 8);
    format.bitsPerSample = static_cast<int32_t>(sampleBytes * 8);
    format.sampleRate = static_cast<int32_t>(rate);
    format.blockAlign = static_cast<int32_t>(sampleBytes * static_cast<uint32_t>(format.channels));
    const uint32_t dataSize = LoadBe32(comm + 10) * static_cast<uint32_t>(format.blockAlign);

    uint32_t ssndSize = 0;
    uint8_t ssnd[8];  // offset, block size
    if (!WalkToChunk(file, "SSND", ByteOrder::Big, ssndSize) || file.Read(ssnd, sizeof ssnd) != sizeof ssnd)
        return false;
    return SetDataRange(format, file, file.Tell() + LoadBe32(ssnd), dataSize);
}

// Whole samples only. The swap runs beside the file read on every block, so with SSE2
// (every build here) 16 bytes at a time, 48 for 24-bit samples; the tail byte by byte.
#if defined(__SSE2__)
uint32_t ReverseWide(uint8_t* p, uint32_t end, uint32_t width) {
    uint32_t i = 0;
    if (width == 3) {
        // Sixteen samples per 48 bytes, loaded before anything is stored: the first and
        // last byte of each sample trade places, the middle one stays.
        static const auto masks = [] {
            std::array<std::array<uint8_t, 48>, 3> m{};  // first, middle, last byte of a sample
            for (uint32_t b = 0; b < 48; ++b) m[b % 3][b] = 0xFF;
            return m;
        }();
        // Loaded once: the stores below may alias anything a uint8_t pointer reaches.
        __m128i mask[3][3];
        for (int which = 0; which < 3; ++which)
            for (int part = 0; part < 3; ++part)
                mask[which][part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks[which].data() + 16 * part));
        for (; i + 48 <= end; i += 48) {
            auto* q = reinterpret_cast<__m128i*>(p + i);
            const __m128i v[3] = {_mm_loadu_si128(q), _mm_loadu_si128(q + 1), _mm_loadu_si128(q + 2)};
            const __m128i next[3] = {_mm_or_si128(_mm_srli_si128(v[0], 2), _mm_slli_si128(v[1], 14)),
                                     _mm_or_si128(_mm_srli_si128(v[1], 2), _mm_slli_si128(v[2], 14)),
                                     _mm_srli_si128(v[2], 2)};
            const __m128i prev[3] = {_mm_slli_si128(v[0], 2),
                                     _mm_or_si128(_mm_slli_si128(v[1], 2), _mm_srli_si128(v[0], 14)),
                                     _mm_or_si128(_mm_slli_si128(v[2], 2), _mm_srli_si128(v[1], 14))};
            for (int k = 0; k < 3; ++k)
                _mm_storeu_si128(q + k, _mm_or_si128(_mm_and_si128(v[k], mask[1][k]),
                                                     _mm_or_si128(_mm_and_si128(next[k], mask[0][k]),
                                                                  _mm_and_si128(prev[k], mask[2][k]))));
        }
        return i;
    }
    for (; i + 16 <= end; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        if (width == 4) v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
    }
    return i;
}
#else
uint32_t ReverseWide(uint8_t*, uint32_t, uint32_t) { return 0; }
#endif

void ReverseSamples(uint8_t* p, uint32_t bytes, uint32_t width) {
    const uint32_t end = bytes - bytes % width;
    const uint32_t start = ReverseWide(p, end, width);
    for (uint32_t i = start; i < end; i += width) std::reverse(p + i, p + i + width);
}

}  // namespace

double ExtendedToDouble(const uint8_t b[10]) {
    const int exponent = (b[0] & 0x7F) << 8 | b[1];
    const uint32_t high = LoadBe32(b + 2);
    const uint32_t low = LoadBe32(b + 6);
    if (exponent == 0 && high == 0 && low == 0) return 0;
    double value = exponent == 0x7FFF ? std::numeric_limits<double>::infinity()
                                      : std::ldexp(high, exponent - 16383 - 31) + std::ldexp(low, exponent - 16383 - 63);
    return (b[0] & 0x80) ? -value : value;
}

int CAiffFile::Open(const std::wstring& path) { return OpenPcmStream(m_file, m_format, path, ParseAiff); }

void CAiffFile::Close() { m_file.Close(); }

int CAiffFile::Seek(uint32_t frame) { return SeekPcmStream(m_file, m_format, frame); }

int CAiffFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    return PcmStreamLength(path, ParseAiff, minutes, seconds);
}

// Copies bytes [from, from + count) of the little-endian form of the sample at sampleAt.
// A sample cut short by the end of the data or of the file is passed on as stored.
uint32_t CAiffFile::ReadSamplePart(int64_t sampleAt, uint32_t from, uint32_t count, uint8_t* out) {
    const uint32_t width = SampleWidth();
    uint8_t sample[4];
    const uint32_t inData = static_cast<uint32_t>(std::min<uint64_t>(width, m_format.dataEnd - sampleAt));
    const int64_t got = m_file.Seek(sampleAt) ? m_file.Read(sample, inData) : -1;
    if (got <= from) return 0;
    if (got == width) std::reverse(sample, sample + width);
    count = std::min(count, static_cast<uint32_t>(got) - from);
    std::memcpy(out, sample + from, count);
    return count;
}

int CAiffFile::Read(void* buffer, uint32_t bytes) {
    const uint32_t width = SampleWidth();
    if (width < 2 || width > 4) return ReadPcmStream(m_file, m_format, buffer, bytes);  // 8-bit is signed as stored
    const uint32_t n = PcmBytesLeft(m_file, m_format, bytes);
    if (n == 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    const int64_t start = m_file.Tell();
    // The sample position is kept by the file position alone: a read that starts inside a
    // sample rereads that sample and delivers its remaining bytes, one that ends inside a
    // sample reads it whole and delivers its first bytes, then steps back.
    const uint32_t phase = static_cast<uint32_t>((static_cast<uint64_t>(start) - m_format.dataOffset) % width);
    uint32_t done = 0;
    if (phase != 0) {
        const uint32_t head = std::min(width - phase, n);
        done = ReadSamplePart(start - phase, phase, head, out);
        if (done < head || done == n) {
            m_file.Seek(start + done);
            return static_cast<int>(done);
        }
    }
    const uint32_t whole = (n - done) / width * width;
    const int64_t got = whole > 0 ? m_file.Read(out + done, whole) : 0;
    if (got > 0) {
        ReverseSamples(out + done, static_cast<uint32_t>(got), width);
        done += static_cast<uint32_t>(got);
    }
    if (got < whole || done == n) return static_cast<int>(done);  // at the file's end or aligned
    done += ReadSamplePart(start + done, 0, n - done, out + done);
    m_file.Seek(start + done);
    return static_cast<int>(done);
}
