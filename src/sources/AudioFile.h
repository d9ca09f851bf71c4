#pragma once
// The audio source: one file as a stream of interleaved little-endian PCM bytes with a
// known format, positioned by sample frame. The engine embeds one object per reader
// class and reopens it for every run.
#include <cstdint>
#include <string>

#include "platform/File.h"

struct AudioFormatInfo {
    int32_t sampleRate;
    int32_t bitsPerSample;
    int32_t channels;
    int32_t formatTag;   // 1 integer PCM, 3 IEEE float
    int32_t blockAlign;  // bytes of one frame
    uint32_t dataOffset;
    uint64_t dataSize;
    uint64_t totalFrames;  // 0 = unknown
    uint64_t dataEnd;
};

enum : int32_t { FormatTagPcm = 1, FormatTagFloat = 3 };

class CAudioFile {
public:
    CAudioFile() = default;
    virtual ~CAudioFile() = default;
    CAudioFile(const CAudioFile&) = delete;
    CAudioFile& operator=(const CAudioFile&) = delete;

    // Nonzero when the file is open and the format record is filled.
    virtual int Open(const std::wstring& path);
    virtual void Close();
    // Returns the frame reached.
    virtual int Seek(uint32_t frame);
    // Bytes delivered; 0 or negative at the end. A read of 0 bytes drops held PCM.
    virtual int Read(void* buffer, uint32_t bytes);
    // Nonzero when the length is known; the out values are untouched otherwise.
    virtual int GetLength(const std::wstring& path, int& minutes, int& seconds);

    const AudioFormatInfo& Format() const { return m_format; }

protected:
    AudioFormatInfo m_format{};
    platform::File m_file;  // the playback handle; closed means no file is open
};
