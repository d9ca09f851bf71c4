#include "setup/SetupRules.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "output/AsioOut.h"
#include "resources/resource.h"
#include "settings/AsioPairNames.h"

namespace {
bool BeginsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}
}  // namespace

int FindPrefix(const std::vector<std::wstring>& items, int start, const std::wstring& prefix) {
    const int count = static_cast<int>(items.size());
    for (int step = 1; step <= count; ++step) {
        const int i = ((start + step) % count + count) % count;
        if (BeginsWithIgnoringCase(items[static_cast<size_t>(i)], prefix)) return i;
    }
    return -1;
}

int ResolutionIndex(int32_t bits) {
    const int32_t* found = std::find(kResolutionBits, kResolutionBits + kResolutionCount, bits);
    return found == kResolutionBits + kResolutionCount ? kResolutionCount - 1 : static_cast<int>(found - kResolutionBits);
}

void ApplyAudioChoice(const AudioChoice& choice, bool playing, AppSettings& settings) {
    settings.MmeDeviceString = choice.mmeName;
    settings.MmeDeviceID = choice.mmeId;
    if (!playing) {
        settings.AsioDriverString = choice.asioDriver;
        settings.OutputName.clear();
        std::vector<std::wstring> channels;
        if (CAsioOut::ReadChannelNames(choice.asioDriver, channels)) {
            if (channels.size() > kMaxChannelNames) channels.resize(kMaxChannelNames);
            settings.OutputName = AsioPairNames(channels);
        } else {
            settings.OutputDeviceSel = 0;
        }
    }
    settings.ResolutionBits = kResolutionBits[std::clamp(choice.resolutionIndex, 0, kResolutionCount - 1)];
    settings.DitherType = MakeDitherType(choice.dither, choice.ditherMethod);
}

const BufferTrack kBufferTracks[kBufferTrackCount] = {
    {IDC_BUFFER_TIME, IDC_BUFFER_TIME_NUMBER, 2, 100, 100, 100, &AppSettings::BufferTime},
    {IDC_BUFFER_BLOCKS, IDC_BUFFER_BLOCKS_NUMBER, 2, 32, 1, 1, &AppSettings::BufferBlocks},
    {IDC_DECODE_BUFFER, IDC_DECODE_BUFFER_NUMBER, 1, 32, 1024, 1, &AppSettings::DecodeBufSize},
};

int32_t TrackPosition(const BufferTrack& track, int32_t value) {
    return std::clamp(value / track.unit, track.minPosition, track.maxPosition);
}

const FlagCheck kGeneralChecks[kGeneralCheckCount] = {
    {IDC_REPEAT_CUE, &AppSettings::AppConfig, AppRepeatCue},
    {IDC_OPEN_AT_START, &AppSettings::AppConfig, AppOpenDialogAtStart},
    {IDC_CLOSE_AT_END, &AppSettings::AppConfig, AppCloseAtEnd},
    {IDC_ASSOC_TIMEVIEW, &AppSettings::AssociateConfig, WindowShowTimeView},
    {IDC_ASSOC_TITLEBAR, &AppSettings::AssociateConfig, WindowShowTitleBar},
    {IDC_ASSOC_SEEKBAR, &AppSettings::AssociateConfig, WindowShowSeekBar},
    {IDC_ASSOC_CUE, &AppSettings::AssociateConfig, WindowShowCue},
    {IDC_ASSOC_DOCK, &AppSettings::AssociateConfig, WindowDockTimeView},
    {IDC_ASSOC_CLOSE_AT_END, &AppSettings::AppConfig, AppCloseAtEndFileStart},
};

void ApplyGeneralChecks(const bool (&checked)[kGeneralCheckCount], AppSettings& settings) {
    for (int i = 0; i < kGeneralCheckCount; ++i)
        SetFlag(settings.*kGeneralChecks[i].field, kGeneralChecks[i].bit, checked[i]);
    settings.DeriveCloseAtEnd();
}

bool ApplyIconChoice(const IconChoice& choice, bool olderThanXp, AppSettings& settings) {
    const int32_t config = settings.AppConfig;
    SetFlag(settings.AppConfig, AppUserIcons, choice.userIcons);
    SetFlag(settings.AppConfig, AppPauseIconBlink, choice.pauseBlink);
    if (olderThanXp) SetFlag(settings.AppConfig, AppTrayColor256, choice.color256);
    bool changed = settings.AppConfig != config;
    for (int i = 0; i < AppSettings::kIconFiles; ++i) {
        changed |= settings.IconFile[i] != choice.files[i];
        settings.IconFile[i] = choice.files[i];
    }
    return changed;
}
