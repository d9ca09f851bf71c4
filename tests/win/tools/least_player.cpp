// The least a wave-out player can do, as the yardstick of the CPU a player costs while it
// plays: a 16-bit PCM WAV file through WAVE_MAPPER, four 500 ms blocks refilled when the
// driver hands one back, nothing else (no window, no timer, no position queries).
//
//   least_player.exe FILE.wav [seconds]     (default: the whole file)
//
// Exit code 0 when it played, 2 on a bad argument or file, 3 when wave-out refused.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kBlocks = 4;
constexpr DWORD kBlockMs = 500;

struct Wave {
    WAVEFORMATEX format{};
    std::vector<char> data;
};

// The fmt and data chunks of a plain RIFF WAVE file; false for anything else.
bool ReadWave(const wchar_t* path, Wave& wave) {
    FILE* file = _wfopen(path, L"rb");
    if (!file) return false;
    char riff[12];
    bool ok = std::fread(riff, 1, 12, file) == 12 && !std::memcmp(riff, "RIFF", 4) && !std::memcmp(riff + 8, "WAVE", 4);
    bool haveFormat = false;
    while (ok) {
        char id[4];
        uint32_t size = 0;
        if (std::fread(id, 1, 4, file) != 4 || std::fread(&size, 4, 1, file) != 1) break;
        if (!std::memcmp(id, "fmt ", 4) && size >= 16) {
            ok = std::fread(&wave.format, 1, 16, file) == 16 && !std::fseek(file, long(size - 16 + (size & 1)), SEEK_CUR);
            haveFormat = ok;
        } else if (!std::memcmp(id, "data", 4)) {
            wave.data.resize(size);
            ok = std::fread(wave.data.data(), 1, size, file) == size;
            break;
        } else {
            ok = !std::fseek(file, long(size + (size & 1)), SEEK_CUR);
        }
    }
    std::fclose(file);
    return ok && haveFormat && wave.format.wFormatTag == WAVE_FORMAT_PCM && !wave.data.empty();
}

void CALLBACK Done(HWAVEOUT, UINT message, DWORD_PTR event, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE) SetEvent(reinterpret_cast<HANDLE>(event));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Wave wave;
    if (argc < 2 || !ReadWave(argv[1], wave)) {
        std::fprintf(stderr, "least_player: give a 16-bit PCM WAV file\n");
        return 2;
    }
    const DWORD blockBytes = wave.format.nAvgBytesPerSec * kBlockMs / 1000 / wave.format.nBlockAlign * wave.format.nBlockAlign;
    size_t end = wave.data.size();
    if (argc > 2) end = std::min<size_t>(end, size_t(_wtoi(argv[2])) * wave.format.nAvgBytesPerSec);

    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT out = nullptr;
    MMRESULT result = waveOutOpen(&out, WAVE_MAPPER, &wave.format, reinterpret_cast<DWORD_PTR>(&Done),
                                  reinterpret_cast<DWORD_PTR>(event), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) return 3;
    WAVEHDR headers[kBlocks] = {};
    size_t next = 0;
    int queued = 0;
    auto refill = [&](WAVEHDR& header) {
        if (next >= end) return;
        header.lpData = wave.data.data() + next;
        header.dwBufferLength = DWORD(std::min<size_t>(blockBytes, end - next));
        next += header.dwBufferLength;
        waveOutPrepareHeader(out, &header, sizeof header);
        waveOutWrite(out, &header, sizeof header);
        ++queued;
    };
    for (WAVEHDR& header : headers) refill(header);
    while (queued > 0) {
        WaitForSingleObject(event, INFINITE);
        for (WAVEHDR& header : headers) {
            if (!(header.dwFlags & WHDR_DONE)) continue;
            waveOutUnprepareHeader(out, &header, sizeof header);
            header.dwFlags = 0;
            --queued;
            refill(header);
        }
    }
    waveOutClose(out);
    CloseHandle(event);
    return 0;
}
