// Plays a known 16-bit stereo 44100 Hz sequence through plain wave-out, so a test can
// find it again, sample for sample, in what the sound server received.
//
//   play_pattern.exe [seconds]      (default 3)
//
// The sequence is xorshift32 from seed 0x12345678, one step per sample (left, right,
// left, ...), each sample the top 16 bits of the state. Exit code 0 when every buffer
// played, 2 on a bad argument, 3 when wave-out refused.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr DWORD kRate = 44100;
constexpr WORD kChannels = 2;
constexpr DWORD kBufferFrames = kRate / 10;

std::vector<int16_t> MakePattern(DWORD frames) {
    std::vector<int16_t> samples(size_t(frames) * kChannels);
    uint32_t state = 0x12345678u;
    for (int16_t& s : samples) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        s = int16_t(state >> 16);
    }
    return samples;
}

int Fail(const char* what, MMRESULT result) {
    std::fprintf(stderr, "play_pattern: %s failed (MMRESULT %u)\n", what, unsigned(result));
    return 3;
}

bool AllDone(const std::vector<WAVEHDR>& headers) {
    for (const WAVEHDR& h : headers)
        if (!(h.dwFlags & WHDR_DONE)) return false;
    return true;
}

// All buffers done means wave-out has handed them on; the position tells when the
// device has actually played them. Bounded, since some drivers stop counting early.
void WaitPlayedOut(HWAVEOUT wave, DWORD frames) {
    for (int i = 0; i < 200; ++i) {
        MMTIME time = {};
        time.wType = TIME_SAMPLES;
        if (waveOutGetPosition(wave, &time, sizeof time) != MMSYSERR_NOERROR ||
            time.wType != TIME_SAMPLES || time.u.sample >= frames)
            return;
        Sleep(10);
    }
}

int Play(const std::vector<int16_t>& samples) {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kChannels;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = kChannels * 2;
    format.nAvgBytesPerSec = kRate * format.nBlockAlign;

    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT wave = nullptr;
    MMRESULT result = waveOutOpen(&wave, WAVE_MAPPER, &format, DWORD_PTR(done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        CloseHandle(done);
        return Fail("waveOutOpen", result);
    }

    const DWORD frames = DWORD(samples.size() / kChannels);
    std::vector<WAVEHDR> headers((frames + kBufferFrames - 1) / kBufferFrames);
    const char* step = nullptr;
    for (size_t i = 0; i < headers.size() && result == MMSYSERR_NOERROR; ++i) {
        DWORD first = DWORD(i) * kBufferFrames;
        DWORD count = frames - first < kBufferFrames ? frames - first : kBufferFrames;
        headers[i].lpData = LPSTR(&samples[size_t(first) * kChannels]);
        headers[i].dwBufferLength = count * format.nBlockAlign;
        step = "waveOutPrepareHeader";
        result = waveOutPrepareHeader(wave, &headers[i], sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR) break;
        step = "waveOutWrite";
        result = waveOutWrite(wave, &headers[i], sizeof(WAVEHDR));
    }
    if (result == MMSYSERR_NOERROR) {
        while (!AllDone(headers)) WaitForSingleObject(done, 100);
        WaitPlayedOut(wave, frames);
    } else {
        waveOutReset(wave);
    }
    for (WAVEHDR& h : headers)
        if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave, &h, sizeof(WAVEHDR));
    waveOutClose(wave);
    CloseHandle(done);
    return result == MMSYSERR_NOERROR ? 0 : Fail(step, result);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double seconds = 3;
    wchar_t* end = nullptr;
    if (argc == 2) seconds = std::wcstod(argv[1], &end);
    if (argc > 2 || (end && *end) || !(seconds > 0 && seconds <= 600)) {
        std::fprintf(stderr, "usage: play_pattern.exe [seconds]\n");
        return 2;
    }
    return Play(MakePattern(DWORD(seconds * kRate)));
}
