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

// Results a reader's calls share with the engine; the values are what the engine tests.
enum : int {
    ReaderFailed = 0,  // Open, GetLength: nothing done (the reader has shown why, where it does)
    ReaderDone = 1,    // Open: the file is open and Format() filled; GetLength: the outs are set
    SeekNoFile = -1,   // Seek with no file open, where a reader does not answer 0
    ReadFailed = -1,   // Read: an error the reader tells apart from the end (0)
};

// Each reader class implements every call: the engine keeps one object of each and points
// at whichever plays the file. Open and Close come from the window's thread (Close only
// once the play thread has ended), Seek and Read from the play thread between them.
// GetLength comes from the window's thread at any time, also while a stream of the same
// object plays, so it never touches the playback handle or decoder.
class CAudioFile {
public:
    CAudioFile() = default;
    virtual ~CAudioFile() = default;
    CAudioFile(const CAudioFile&) = delete;
    CAudioFile& operator=(const CAudioFile&) = delete;

    // The path names a file of an extension this reader plays. ReaderDone, or ReaderFailed,
    // for most failures after the message box that says why.
    virtual int Open(const std::wstring& path) = 0;
    // Releases the file; safe when none is open.
    virtual void Close() = 0;
    // The frame the next Read starts at: `frame` or where the reader could get to (0 for a
    // stream it can only restart), or SeekNoFile (or 0, by reader) with no file open.
    // Nothing decoded before the jump is delivered after it.
    virtual int Seek(uint32_t frame) = 0;
    // Bytes delivered into buffer; 0 at the end of the data (or with no file open),
    // ReadFailed on a reader's error. A read of 0 bytes drops held PCM, as after each seek.
    virtual int Read(void* buffer, uint32_t bytes) = 0;
    // The play length of the file at path: ReaderDone with the outs set, or ReaderFailed
    // with them untouched. Its only message box is a decoder library's that fails to load.
    virtual int GetLength(const std::wstring& path, int& minutes, int& seconds) = 0;

    const AudioFormatInfo& Format() const { return m_format; }

protected:
    AudioFormatInfo m_format{};
    platform::File m_file;  // the playback handle; closed means no file is open
};
