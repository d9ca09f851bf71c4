#pragma once
// Windows Media audio (".wma") through the Windows Media Format runtime, loaded on first
// use and never let go: a synchronous reader decodes the file and hands out PCM in its
// default format for the first audio output; frames map to the runtime's 100 ns clock.
#include <string>

#include "sources/AudioFile.h"
#include "sources/DecoderLibrary.h"
#include "WmvCore.h"

inline const wchar_t* const kTextWmvcoreMissing = L"Wmvcore.dllが読み込めませんでした。";
inline const wchar_t* const kTextWmvcoreIncomplete = L"Wmvcore.dllのロードに失敗しました。";

class CWmaFile : public CAudioFile {
public:
    static constexpr const wchar_t* kExtensions[] = {L".wma"};
    // The runtime is loaded by this name.
    explicit CWmaFile(std::wstring runtimeName = L"Wmvcore.dll");
    ~CWmaFile() override;

    int Open(const std::wstring& path) override;
    void Close() override;
    int Seek(uint32_t frame) override;
    int Read(void* buffer, uint32_t bytes) override;
    int GetLength(const std::wstring& path, int& minutes, int& seconds) override;

private:
    bool LoadRuntime();
    IWMSyncReader* OpenTemporary(const std::wstring& path) const;
    bool ParseHeader(const std::wstring& path);

    IWMSyncReader* m_reader = nullptr;
    WORD m_stream = 0;
    bool m_open = false;  // the reader has a file
    DecoderLibrary m_runtime;
    WMCreateSyncReaderFn m_create = nullptr;
};
