#pragma once
// The program's one settings record, loaded once at start and saved once at exit. Field
// names are the registry value names.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/WindowPlacement.h"

// AppConfig bits.
enum : int32_t {
    AppRepeatCue = 0x01,
    AppTrayColor256 = 0x02,
    AppCloseAtEnd = 0x04,
    AppOpenDialogAtStart = 0x08,
    AppCloseAtEndFileStart = 0x10,
    AppUserIcons = 0x20,
    AppPauseIconBlink = 0x40,
    AppTimeViewTheme = 0x80,
};

// WindowConfig and AssociateConfig bits.
enum : int32_t {
    WindowShowCue = 0x01,
    WindowShowTimeView = 0x02,
    WindowShowTitleBar = 0x04,
    WindowDockTimeView = 0x08,
    WindowShowSeekBar = 0x10,
};

struct AppSettings {
    static constexpr int kIconFiles = 3;  // normal, flip, pause

    std::wstring LastPath;
    std::wstring CueLastPath;
    int32_t AppConfig = AppCloseAtEndFileStart;
    // From the "...Ass" values when started with a file.
    WindowRect CueWindowPos;
    WindowRect TimeViewPos;
    int32_t TimeMode = 1;  // low 2 bits
    // The flags in use; replaced by AssociateConfig when started with a file.
    int32_t WindowConfig = WindowShowCue | WindowShowTimeView | WindowShowTitleBar | WindowShowSeekBar;
    int32_t AssociateConfig = WindowShowTimeView | WindowShowTitleBar | WindowShowSeekBar;
    int32_t BufferTime = 2000;  // ms of audio per output block
    int32_t BufferBlocks = 4;
    int32_t DecodeBufSize = 8192;  // bytes of the MPEG reader's input buffer
    int32_t OutputDeviceSel = 0;   // 0 MME, else ASIO
    // Low 16 bits: method index (0 triangle, 1 M sequence, 2 noise shaping);
    // high 16 bits: enabled.
    int32_t DitherType = 0;
    std::wstring MmeDeviceString;
    int32_t MmeDeviceID = -1;  // -1 is the wave mapper
    int32_t AsioOutputChannel = 0;
    int32_t ResolutionBits = 24;
    std::wstring AsioDriverString;
    std::vector<std::wstring> OutputName;  // display names of the ASIO output pairs
    std::wstring IconFile[kIconFiles];

    int32_t FileStart = 0;   // started with a file on the command line; not stored
    int32_t CloseAtEnd = 0;  // derived from AppConfig and FileStart

    // Reads every value; a missing value, or one of the wrong type or size, takes its
    // default. FileStart must be known before.
    void Load();
    // Writes every value back; errors are ignored.
    void Save() const;
    void DeriveCloseAtEnd();

    // The device's dither code: 0 none, 1..3 the method index + 1.
    int32_t DitherCode() const { return ((DitherType & 0xFFFF) + 1) * ((DitherType >> 16) & 0xFFFF ? 1 : 0); }
};

// Where the settings live below the current user's root.
inline const wchar_t* const kSettingsKey = L"Software\\Kellbrook\\Orvane\\Settings";
inline const wchar_t* const kAsioOutputKey = L"Software\\Kellbrook\\Orvane\\Settings\\AsioOutput";
