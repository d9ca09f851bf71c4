#pragma once
// WAV files: RIFF/WAVE and its 64-bit form RF64, integer PCM or IEEE float, played as
// stored.
#include "sources/AudioFile.h"

class CWaveFile : public CAudioFile {
public:
    static constexpr const wchar_t* kExtensions[] = {L".wav"};

    int Open(const std::wstring& path) override;
    void Close() override;
    int Seek(uint32_t frame) override;
    int Read(void* buffer, uint32_t bytes) override;
    int GetLength(const std::wstring& path, int& minutes, int& seconds) override;
};
