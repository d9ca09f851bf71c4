#pragma once
// Uncompressed AIFF: big-endian samples, delivered little-endian.
#include "sources/AudioFile.h"

class CAiffFile : public CAudioFile {
public:
    static constexpr const wchar_t* kExtensions[] = {L".aif", L".aiff"};

    int Open(const std::wstring& path) override;
    void Close() override;
    int Seek(uint32_t frame) override;
    // Byte-exact like every reader: a read may end inside a sample and the next one
    // continues it, each delivering its bytes of the little-endian sample.
    int Read(void* buffer, uint32_t bytes) override;
    int GetLength(const std::wstring& path, int& minutes, int& seconds) override;

private:
    uint32_t SampleWidth() const { return static_cast<uint32_t>(m_format.bitsPerSample) / 8; }
    uint32_t ReadSamplePart(int64_t sampleAt, uint32_t from, uint32_t count, uint8_t* out);
};

// The 80-bit big-endian IEEE extended value of an AIFF sample rate, as a double.
double ExtendedToDouble(const uint8_t bytes[10]);
