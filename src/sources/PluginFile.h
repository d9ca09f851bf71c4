#pragma once
// Ogg Vorbis (".ogg") and FLAC (".flac"): the file access and decoding belong to a decoder
// plug-in (vorbisdec.dll, flacdec.dll) loaded on first use and never let go; the reader
// gathers its PCM into the byte counts the engine asks for. The two readers differ only in
// the table below.
#include <string>

#include "decoder_plugin.h"
#include "sources/AudioFile.h"
#include "sources/DecoderLibrary.h"
#include "sources/HeldPcm.h"

// Decoded PCM of one reader class, shared by all its objects: one stream plays at a time.
struct PluginPcm {
    uint8_t* bytes;
    uint32_t size;
    uint32_t capacity;  // what a decoder Read may fill
    HeldPcm held;
};

struct PluginReaderTraits {
    DecoderLibraryTexts texts;  // incomplete: it has no "Create"
    int seekWithoutDecoder;
};

class CPluginFile : public CAudioFile {
public:
    ~CPluginFile() override;

    int Open(const std::wstring& path) override;
    void Close() override;
    int Seek(uint32_t frame) override;
    int Read(void* buffer, uint32_t bytes) override;
    int GetLength(const std::wstring& path, int& minutes, int& seconds) override;

protected:
    CPluginFile(std::wstring libraryName, const PluginReaderTraits& traits, PluginPcm& pcm);

private:
    bool LoadDecoder();
    void DropPcm();

    const PluginReaderTraits& m_traits;
    PluginPcm& m_pcm;
    DecoderLibrary m_library;
    DecoderCreateFn m_create = nullptr;
    DecoderPlugin* m_decoder = nullptr;
};

inline const wchar_t* const kTextVorbisdecMissing = L"OggVorbisデコードDLLが読み込めませんでした。";
inline const wchar_t* const kTextVorbisdecIncomplete = L"Vorbisdec.dllのロードに失敗しました。";
inline const wchar_t* const kTextFlacdecMissing = L"flacdec.dllが読み込めませんでした。";
inline const wchar_t* const kTextFlacdecIncomplete = L"flacdec.dllのロードに失敗しました。";

class COggFile : public CPluginFile {
public:
    static constexpr const wchar_t* kExtensions[] = {L".ogg"};
    // The decoder library is loaded by this name.
    explicit COggFile(std::wstring libraryName = L"vorbisdec.dll");
};

class CFlacFile : public CPluginFile {
public:
    static constexpr const wchar_t* kExtensions[] = {L".flac"};
    explicit CFlacFile(std::wstring libraryName = L"flacdec.dll");
};
