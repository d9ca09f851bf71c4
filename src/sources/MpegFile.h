#pragma once
// MPEG audio Layer I, II and III (".mp1", ".mp2", ".mp3" and the RIFF-wrapped ".rmp"):
// the reader finds the frames and does all file access; mpglib.dll, loaded on the first
// Open, turns the compressed bytes into 16-bit PCM.
#include <string>

#include "mpglib/mpglib.h"
#include "platform/Library.h"
#include "sources/AudioFile.h"
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
    int Refill();

    std::wstring m_libraryName;
    platform::Library m_library;
    MpglibInitFn m_init = nullptr;
    MpglibExitFn m_exit = nullptr;
    MpglibDecodeFn m_decode = nullptr;
    MpglibState* m_state = nullptr;  // set while a stream is set up
    MpglibState m_stateStorage{};
    XingInfo m_xing{};
    uint8_t* m_input = nullptr;
    uint32_t m_inputSize = 0;
    int32_t m_inputBytes = 8192;
};
