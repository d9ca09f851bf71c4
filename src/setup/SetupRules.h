#pragma once
// What the setup sheet's pages make of their controls: how a stored value shows, and what
// the controls write back when the sheet applies. The pages only move values between
// these and their windows.
#include <cstdint>
#include <string>
#include <vector>

#include "settings/AppSettings.h"

// ---- audio page ----

// How the device and driver lists find a stored name: the first item, searched from the one
// after start round to start itself, that begins with prefix ignoring case; -1 when none
// does. An empty prefix begins every item.
int FindPrefix(const std::vector<std::wstring>& items, int start, const std::wstring& prefix);

// The resolution buttons, in order.
constexpr int kResolutionCount = 5;
constexpr int32_t kResolutionBits[kResolutionCount] = {16, 18, 20, 24, 32};
// The button for a stored word length; a length no button offers shows as the last, 32 bits.
int ResolutionIndex(int32_t bits);

inline bool DitherEnabled(int32_t ditherType) { return ((ditherType >> 16) & 0xFFFF) != 0; }
inline int DitherMethod(int32_t ditherType) { return ditherType & 0xFFFF; }
inline int32_t MakeDitherType(bool enabled, int method) {
    return (static_cast<int32_t>(enabled ? 1 : 0) << 16) | (method & 0xFFFF);
}

// The audio page's controls when the sheet applies.
struct AudioChoice {
    std::wstring mmeName;  // the selected item's text
    int32_t mmeId = -1;    // its data: -1 the wave mapper
    std::wstring asioDriver;  // the selected driver's name; empty when none is
    int resolutionIndex = 3;
    bool dither = false;
    int ditherMethod = 0;
};

// Most channel names the pair names are built from.
constexpr size_t kMaxChannelNames = 64;

// Stores the choice. The ASIO driver and its pair names change only while nothing plays:
// reading the channel names needs the driver, which a playing file holds. A driver whose
// channels cannot be read leaves MME as the output.
void ApplyAudioChoice(const AudioChoice& choice, bool playing, AppSettings& settings);

// ---- buffer page ----

// A track bar that shows a setting in units of unit.
struct BufferTrack {
    int trackId;
    int numberId;  // the number shown to its right
    int32_t minPosition;
    int32_t maxPosition;
    int32_t unit;       // of the setting per position
    int32_t shownUnit;  // of the number per position
    int32_t AppSettings::*field;
};
constexpr int kBufferTrackCount = 3;
extern const BufferTrack kBufferTracks[kBufferTrackCount];

// Where the track bar stands for the setting: whole units, kept in its range.
int32_t TrackPosition(const BufferTrack& track, int32_t value);
inline int32_t TrackValue(const BufferTrack& track, int32_t position) { return position * track.unit; }

// ---- general page ----

struct FlagCheck {
    int id;
    int32_t AppSettings::*field;
    int32_t bit;
};
constexpr int kGeneralCheckCount = 9;
extern const FlagCheck kGeneralChecks[kGeneralCheckCount];

inline bool FlagSet(const AppSettings& settings, const FlagCheck& check) { return (settings.*check.field & check.bit) != 0; }
inline void SetFlag(int32_t& flags, int32_t bit, bool on) { flags = on ? flags | bit : flags & ~bit; }
// checked[i] is the state of kGeneralChecks[i]; the close-at-end value follows the new flags.
void ApplyGeneralChecks(const bool (&checked)[kGeneralCheckCount], AppSettings& settings);

// ---- icon page ----

struct IconChoice {
    bool userIcons = false;
    std::wstring files[AppSettings::kIconFiles];  // the selected entries' texts
    bool pauseBlink = false;
    bool color256 = false;  // offered only before Windows XP
};

// Stores the choice; true when anything changed, so the tray must load its icons again.
// olderThanXp: the 256-colour flag is the page's to change.
bool ApplyIconChoice(const IconChoice& choice, bool olderThanXp, AppSettings& settings);
