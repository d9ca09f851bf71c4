#pragma once
// The captions of the program's message boxes.

inline const wchar_t* const kCaptionError = L"Error - Orvane -";
inline const wchar_t* const kCaptionDeviceError = L"Device Error - Orvane -";
// Questions about the cue list and decoder libraries that cannot be loaded.
inline const wchar_t* const kCaptionProgram = L"Orvane";
