#pragma once
// The parts of the Windows Media Format runtime (Wmvcore.dll) the WMA reader uses. The
// interfaces come from the system headers; there is no import library, so the one export is
// looked up at run time, and the media-type constants are kept here instead of linking
// DirectShow's GUID library.
#include <windows.h>
#include <wmsdkidl.h>

using WMCreateSyncReaderFn = HRESULT(WINAPI*)(IUnknown* certificate, DWORD rights, IWMSyncReader** reader);

// A media type whose format block is a WAVEFORMATEX.
inline constexpr GUID kFormatWaveFormatEx = {0x05589f81, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};

// The header attribute with the play time, in 100 ns units, as a 64-bit word.
inline constexpr const wchar_t* kAttributeDuration = L"Duration";
