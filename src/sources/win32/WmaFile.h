#pragma once
// Windows Media audio (".wma") through the Windows Media Format runtime, loaded on first
// use and never let go: a synchronous reader decodes the file and hands out PCM in its
// default format for the first audio output; frames map to the runtime's 100 ns clock.
#include <string>

#include "platform/ComUnknown.h"
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
    platform::ComRef<IWMSyncReader> CreateReader() const;
    platform::ComRef<IWMSyncReader> OpenTemporary(const std::wstring& path) const;
    bool ParseHeader(const std::wstring& path);

    // The runtime first: members go in reverse order, so the reader is released before
    // the library it comes from.
    DecoderLibrary m_runtime;
    WMCreateSyncReaderFn m_create = nullptr;
    platform::ComRef<IWMSyncReader> m_reader;
    WORD m_stream = 0;
    bool m_open = false;  // the reader has a file
};
