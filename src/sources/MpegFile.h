#pragma once
// MPEG audio Layer I, II and III (".mp1", ".mp2", ".mp3" and the RIFF-wrapped ".rmp"):
// the reader finds the frames and does all file access; mpglib.dll, loaded on the first
// Open, turns the compressed bytes into 16-bit PCM.
//
// Open indexes every frame, so positions are exact: a seek decodes from enough frames
// before the target and drops what comes before it, and a LAME-style Info frame's trim
// (decoder and encoder delay, padding) is left out of the PCM, the length and every
// position, as mpg123 leaves it out. A stream that cannot be indexed (free format) is
// played whole and seeks by its Xing table or bitrate.
#include <string>

#include "mpglib/mpglib.h"
#include "sources/AudioFile.h"
#include "sources/DecoderLibrary.h"
#include "sources/HeldPcm.h"
#include "sources/MpegIndex.h"
#include "sources/MpegStream.h"

inline const wchar_t* const kTextMpglibMissing = L"mpglib.dllが読み込めませんでした。";
inline const wchar_t* const kTextMpglibIncomplete = L"mpglib.dllのロードに失敗しました。";

class CMpegFile : public CAudioFile {
public:
    static constexpr const wchar_t* kExtensions[] = {L".mp1", L".mp2", L".mp3", L".rmp"};

    // The decoder library is loaded by this name.
    explicit CMpegFile(std::wstring libraryName = L"mpglib.dll");
    ~CMpegFile() override;

    // Bytes of compressed input read from the file at a time; taken by the next Open.
    void SetDecodeBufferSize(int32_t bytes) { m_inputBytes = bytes; }

    int Open(const std::wstring& path) override;
    void Close() override;
    int Seek(uint32_t frame) override;
    int Read(void* buffer, uint32_t bytes) override;
    int GetLength(const std::wstring& path, int& minutes, int& seconds) override;

private:
    bool LoadDecoder();
    void ResetDecoder();
    Refill DecodeMore();
    uint32_t KeepHeard(uint32_t decoded);
    int SeekByTable(uint32_t frame);

    DecoderLibrary m_library;
    MpglibInitFn m_init = nullptr;
    MpglibExitFn m_exit = nullptr;
    MpglibDecodeFn m_decode = nullptr;
    MpglibState* m_state = nullptr;  // set while a stream is set up
    MpglibState m_stateStorage{};
    XingInfo m_xing{};
    MpegTrim m_trim{};
    CMpegIndex m_index;
    bool m_indexed = false;
    MpegPreroll m_preroll{};
    // Bytes of PCM the decoder has given since the first frame after the Info frame, and
    // the position before which it is not heard (a seek's target).
    uint64_t m_decodedBytes = 0;
    uint64_t m_heardFromBytes = 0;
    uint8_t* m_input = nullptr;
    uint32_t m_inputSize = 0;
    int32_t m_inputBytes = 8192;
};
