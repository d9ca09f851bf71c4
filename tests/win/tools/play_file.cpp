// Plays a file through the engine and the MME device (or the named ASIO driver's first
// pair), as the player does, and waits for the end-of-play message on a message-only window.
//
//   play_file.exe FILE [--dither CODE] [--buffer-time MS] [--blocks N]
//                 [--device-id ID --device-name NAME] [--asio DRIVER]
//                 [--seek-at MS --seek-to FRAME] [--pause-at MS --pause-for MS]
//                 [--jog-at MS --jog-to FRAME --jog-for MS]
//
// CODE is the device's dither code (0 none, 1 triangle, 2 M sequence, 3 noise shaping).
// A jog holds the snippet at FRAME for the time given, then play goes on from FRAME.
// Prints "bits B" (the device's word length), "device_id ID" (the setting after Open),
// then "end_ms T" (from Play to the end-of-play message), "end_position FRAMES" and
// "settled_position FRAMES" (once the position no longer moves after the end).
// Exit code 0 at the end of play, 1 when Play fails, 2 on a bad argument, 3 when no end
// came in time.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "engine/PlayerCore.h"
#include "platform/Time.h"

namespace {

enum : UINT_PTR { TimerSeek = 1, TimerPause = 2, TimerResume = 3, TimerGiveUp = 4, TimerJog = 5, TimerJogEnd = 6 };

struct Options {
    std::wstring file;
    int dither = 0;
    int bufferTime = 2000;
    int blocks = 4;
    int deviceId = -1;
    std::wstring deviceName;
    std::wstring asioDriver;
    int seekAt = -1;
    int seekTo = 0;
    int pauseAt = -1;
    int pauseFor = 0;
    int jogAt = -1;
    int jogTo = 0;
    int jogFor = 0;
};

AppSettings g_settings;
CPlayerCore g_core(g_settings);
Options g_options;
uint32_t g_start = 0;
bool g_ended = false;

bool Parse(int argc, wchar_t** argv, Options& options) {
    if (argc < 2) return false;
    options.file = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::wstring flag = argv[i];
        const wchar_t* value = argv[i + 1];
        if (flag == L"--device-name" || flag == L"--asio") {
            (flag == L"--asio" ? options.asioDriver : options.deviceName) = value;
            continue;
        }
        int* target = flag == L"--dither"        ? &options.dither
                      : flag == L"--buffer-time" ? &options.bufferTime
                      : flag == L"--blocks"      ? &options.blocks
                      : flag == L"--device-id"   ? &options.deviceId
                      : flag == L"--seek-at"     ? &options.seekAt
                      : flag == L"--seek-to"     ? &options.seekTo
                      : flag == L"--pause-at"    ? &options.pauseAt
                      : flag == L"--pause-for"   ? &options.pauseFor
                      : flag == L"--jog-at"      ? &options.jogAt
                      : flag == L"--jog-to"      ? &options.jogTo
                      : flag == L"--jog-for"     ? &options.jogFor
                                                 : nullptr;
        if (!target) return false;
        *target = static_cast<int>(std::wcstol(value, nullptr, 10));
    }
    return (argc % 2) == 0;
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PLAYER_END) {
        std::printf("end_ms %u\nend_position %d\n", platform::TickMs() - g_start, g_core.GetPosition());
        g_ended = true;
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER) {
        KillTimer(window, wParam);
        switch (wParam) {
            case TimerSeek: g_core.Seek(g_options.seekTo); break;
            case TimerPause:
                g_core.Pause(true);
                SetTimer(window, TimerResume, static_cast<UINT>(g_options.pauseFor), nullptr);
                break;
            case TimerResume: g_core.Pause(false); break;
            case TimerJog:
                g_core.BeginJog(g_options.jogTo);
                SetTimer(window, TimerJogEnd, static_cast<UINT>(g_options.jogFor), nullptr);
                break;
            case TimerJogEnd: g_core.EndJog(g_options.jogTo); break;
            default: PostQuitMessage(0); break;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateTarget() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PlayFileTarget";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (!Parse(argc, argv, g_options)) {
        std::fprintf(stderr, "usage: play_file.exe FILE [--flag value]...\n");
        return 2;
    }
    // The stored dither: low word the method index, high word the enable flag.
    g_settings.DitherType = g_options.dither > 0 ? (1 << 16) | (g_options.dither - 1) : 0;
    g_settings.BufferTime = g_options.bufferTime;
    g_settings.BufferBlocks = g_options.blocks;
    g_settings.MmeDeviceID = g_options.deviceId;
    g_settings.MmeDeviceString = g_options.deviceName;
    g_settings.OutputDeviceSel = g_options.asioDriver.empty() ? 0 : 1;
    g_settings.AsioDriverString = g_options.asioDriver;

    HWND target = CreateTarget();
    g_core.SetFilePath(g_options.file);
    g_start = platform::TickMs();
    if (!g_core.Play(target)) {
        std::printf("play failed\n");
        return 1;
    }
    std::printf("bits %d\ndevice_id %d\n", g_core.GetOutputParams().bitsPerSample, g_settings.MmeDeviceID);
    std::fflush(stdout);

    if (g_options.seekAt >= 0) SetTimer(target, TimerSeek, static_cast<UINT>(g_options.seekAt), nullptr);
    if (g_options.pauseAt >= 0) SetTimer(target, TimerPause, static_cast<UINT>(g_options.pauseAt), nullptr);
    if (g_options.jogAt >= 0) SetTimer(target, TimerJog, static_cast<UINT>(g_options.jogAt), nullptr);
    const AudioFormatInfo* format = g_core.GetFormat();
    const uint64_t seconds = format->sampleRate ? format->totalFrames / static_cast<uint64_t>(format->sampleRate) : 0;
    SetTimer(target, TimerGiveUp, static_cast<UINT>((seconds + 30) * 1000), nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    if (g_ended) {
        // The ASIO position counts the last buffer with the switch after it.
        int settled = g_core.GetPosition();
        for (int i = 0; i < 20; ++i) {
            Sleep(50);
            const int now = g_core.GetPosition();
            if (now == settled) break;
            settled = now;
        }
        std::printf("settled_position %d\n", settled);
    }
    g_core.Stop();
    std::fflush(stdout);
    return g_ended ? 0 : 3;
}
