#include "output/win32/WinMMEOut.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Report.h"
#include "platform/Time.h"

namespace {

constexpr int kSpeakerPositions = 18;
// How long Close waits for the driver to give back the blocks a reset returned.
constexpr uint32_t kHandBackMs = 2000;

HWAVEOUT Handle(void* handle) { return static_cast<HWAVEOUT>(handle); }

// Writes the debug line of a wave-out call that failed; returns its result.
MMRESULT Check(const wchar_t* call, MMRESULT result) {
    if (result == MMSYSERR_NOERROR) return result;
    wchar_t text[MAXERRORLENGTH] = L"";
    waveOutGetErrorTextW(result, text, MAXERRORLENGTH);
    platform::DebugLine(std::wstring(L"wave-out: ") + call + L" failed, MMRESULT " + std::to_wstring(result) + L": " +
                        text);
    return result;
}

// Tells the user why waveOutOpen failed; other codes leave only the debug line.
void ReportOpenError(MMRESULT result) {
    const wchar_t* text = nullptr;
    switch (result) {
        case MMSYSERR_BADDEVICEID: text = L"指定されたデバイス識別子は範囲外です。"; break;
        case MMSYSERR_ALLOCATED: text = L"指定されたリソースはすでに割り当てられています。"; break;
        case MMSYSERR_NODRIVER: text = L"デバイスドライバが存在しません。"; break;
        case MMSYSERR_NOMEM: text = L"メモリを割り当てられないか、またはロックできません。"; break;
        case WAVERR_BADFORMAT: text = L"デバイスがサポートしていないオーディオ形式です。"; break;
        case WAVERR_SYNC: text = L"同期的であるデバイスを非同期でオープンしました。"; break;
        default: return;
    }
    platform::ShowReport(text, kCaptionDeviceError, platform::ReportErrorStyle);
}

// More than two channels need the extensible form: drivers refuse a plain float header for
// them. Its speakers are the first positions in order, which makes six channels 5.1, as
// sox and ffmpeg lay them out.
WAVEFORMATEXTENSIBLE DeviceFormat(const OutputParams& params) {
    WAVEFORMATEXTENSIBLE device{};
    WAVEFORMATEX& format = device.Format;
    format.wFormatTag = static_cast<WORD>(params.formatTag);
    format.nChannels = static_cast<WORD>(params.channels);
    format.nSamplesPerSec = static_cast<DWORD>(params.sampleRate);
    format.wBitsPerSample = static_cast<WORD>(params.bitsPerSample);
    format.nBlockAlign = static_cast<WORD>(params.channels * params.bitsPerSample / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    if (params.channels <= 2) return device;
    format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    format.cbSize = sizeof device - sizeof format;
    device.Samples.wValidBitsPerSample = format.wBitsPerSample;
    device.dwChannelMask = params.channels <= kSpeakerPositions ? (1u << params.channels) - 1 : 0;
    device.SubFormat = {static_cast<DWORD>(params.formatTag), 0x0000, 0x0010,
                        {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    return device;
}

}  // namespace

// The driver calls this on its own thread: it only sets flags and counts.
struct MmeCallback {
    static void CALLBACK Proc(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR header, DWORD_PTR) {
        auto* device = reinterpret_cast<CWinMMEOut*>(instance);
        switch (message) {
            case WOM_OPEN: device->m_open.store(1); break;
            case WOM_CLOSE:
                device->m_open.store(0);
                device->m_paused.store(0);
                device->m_handle.store(nullptr);
                break;
            case WOM_DONE: device->HandBack(reinterpret_cast<const WAVEHDR*>(header)); break;
            default: break;
        }
    }
};

CWinMMEOut::~CWinMMEOut() { Close(); }

// Counted once per block, however late: a WOM_DONE after a reset names the block it ends,
// not whichever was queued since.
void CWinMMEOut::HandBack(const wavehdr_tag* header) {
    for (int i = 0; i < kMaxBlocks; ++i) {
        if (m_headers[i] != header) continue;
        if (m_held[i].exchange(0)) m_queued.fetch_sub(1);
        return;
    }
}

const std::vector<std::wstring>& CWinMMEOut::RebuildDeviceList() {
    static std::vector<std::wstring> devices;
    devices.clear();
    const UINT count = waveOutGetNumDevs();
    for (UINT id = 0; id < count; ++id) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR) devices.push_back(caps.szPname);
    }
    return devices;
}

int32_t CWinMMEOut::ResolveDevice(OutputParams& params) {
    int32_t id = params.selection;
    if (id == -1) return id;
    WAVEOUTCAPSW caps{};
    if (waveOutGetDevCapsW(static_cast<UINT>(id), &caps, sizeof caps) == MMSYSERR_NOERROR &&
        params.deviceName == caps.szPname)
        return id;
    // The ids have moved: find the stored name again, or fall back to the wave mapper.
    const std::vector<std::wstring>& devices = RebuildDeviceList();
    id = -1;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i] == params.deviceName) {
            id = static_cast<int32_t>(i);
            break;
        }
    }
    if (id == -1) params.deviceName = L"WAVE_MAPPER";
    params.selection = id;
    return id;
}

int CWinMMEOut::Open(OutputParams& params) {
    // The header slots bound the ring; a stored count above them is refused like one below 2.
    if (params.bufferTime < 50 || params.blockCount < 2 || params.blockCount > kMaxBlocks) return OpenFailed;
    if (params.channels < 1 || params.bitsPerSample < 8) return OpenFailed;

    m_deviceId = ResolveDevice(params);
    m_sourceBytes = params.bitsPerSample / 8;
    m_convert = 0;
    if (params.formatTag == 1 && params.bitsPerSample > 16) {
        m_convert = 1;
        params.bitsPerSample = 16;
        m_reducer.Setup(params.channels, m_sourceBytes, 16, params.ditherType);
    }

    const WAVEFORMATEXTENSIBLE deviceFormat = DeviceFormat(params);
    const WAVEFORMATEX& format = deviceFormat.Format;
    m_channels = params.channels;
    m_blockAlign = format.nBlockAlign;

    m_blockCount = params.blockCount;
    if (!BuildRing(int64_t{params.bufferTime} * params.sampleRate / 1000)) {
        FreeRing();
        return OpenFailed;
    }

    HWAVEOUT handle = nullptr;
    const MMRESULT result = Check(L"waveOutOpen", waveOutOpen(&handle, static_cast<UINT>(m_deviceId), &format,
                                                             reinterpret_cast<DWORD_PTR>(&MmeCallback::Proc),
                                                             reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION));
    if (result != MMSYSERR_NOERROR) {
        ReportOpenError(result);
        FreeRing();
        return OpenFailed;
    }
    m_handle.store(handle);
    m_started = 1;
    // A pause asked while closed must not hold the new stream.
    m_paused.store(0);
    for (int i = 0; i < m_blockCount; ++i) {
        if (Check(L"waveOutPrepareHeader", waveOutPrepareHeader(handle, m_headers[i], sizeof(WAVEHDR))) !=
            MMSYSERR_NOERROR) {
            // The engine does not close a device that failed to open.
            Close();
            return OpenFailed;
        }
    }
    m_positionBase.store(0);
    return OpenDone;
}

bool CWinMMEOut::BuildRing(int64_t framesPerBlock) {
    const int64_t sourceBytes = int64_t{m_channels} * m_sourceBytes * framesPerBlock;
    const int64_t deviceBytes = int64_t{m_blockAlign} * framesPerBlock;
    if (framesPerBlock < 1 || sourceBytes > INT32_MAX || deviceBytes > INT32_MAX) return false;
    m_sourceBlockBytes = static_cast<int32_t>(sourceBytes);
    m_deviceBlockBytes = static_cast<int32_t>(deviceBytes);
    for (int i = 0; i < m_blockCount; ++i) {
        auto* header = static_cast<WAVEHDR*>(m_memory.Alloc(sizeof(WAVEHDR)));
        if (!header) return false;
        m_headers[i] = header;
        header->lpData = static_cast<LPSTR>(m_memory.Alloc(static_cast<size_t>(m_deviceBlockBytes)));
        if (!header->lpData) return false;
        header->dwBufferLength = static_cast<DWORD>(m_deviceBlockBytes);
    }
    for (std::atomic<int32_t>& held : m_held) held.store(0);
    m_queued.store(0);
    m_writeIndex = 0;
    return true;
}

void CWinMMEOut::FreeRing() {
    for (wavehdr_tag*& header : m_headers) {
        if (!header) continue;
        m_memory.Free(header->lpData);
        m_memory.Free(header);
        header = nullptr;
    }
    m_blockCount = 0;
    m_memory.CheckFreed();
}

void CWinMMEOut::UnprepareRing(void* handle) {
    const uint32_t begin = platform::TickMs();
    for (int i = 0; i < kMaxBlocks && m_headers[i]; ++i) {
        MMRESULT result;
        while ((result = waveOutUnprepareHeader(Handle(handle), m_headers[i], sizeof(WAVEHDR))) == WAVERR_STILLPLAYING) {
            if (platform::TickMs() - begin > kHandBackMs) {
                // Freed, its memory could still be written by the driver: it stays the
                // driver's, and the leak report tells of it.
                m_headers[i] = nullptr;
                break;
            }
            platform::SleepMs(1);
        }
        Check(L"waveOutUnprepareHeader", result);
    }
}

void CWinMMEOut::Close() {
    m_started = 0;
    HWAVEOUT handle = Handle(m_handle.load());
    if (handle) {
        Check(L"waveOutReset", waveOutReset(handle));
        UnprepareRing(handle);
        if (Check(L"waveOutClose", waveOutClose(handle)) == MMSYSERR_NOERROR) {
            // Closed, whether or not the driver's notification came.
            m_open.store(0);
            m_paused.store(0);
            m_handle.store(nullptr);
        }
    }
    FreeRing();
}

int CWinMMEOut::Write(const uint8_t* data, uint32_t bytes) {
    const int32_t queued = m_queued.load();
    const bool writable = m_blockCount > 0 && !m_held[m_writeIndex].load();
    if (bytes == 0 || !writable) return queued == 0 ? WriteDrained : WriteFull;

    WAVEHDR* header = m_headers[m_writeIndex];
    std::memset(header->lpData, 0, static_cast<size_t>(m_deviceBlockBytes));
    if (bytes > static_cast<uint32_t>(m_sourceBlockBytes)) bytes = static_cast<uint32_t>(m_sourceBlockBytes);
    // Only whole frames reach the driver.
    const uint32_t frames = bytes / static_cast<uint32_t>(m_channels * m_sourceBytes);
    if (m_convert)
        m_reducer.To16(data, reinterpret_cast<uint8_t*>(header->lpData), frames);
    else  // a width in part bytes makes the device frame longer than the source frame
        std::memcpy(header->lpData, data, std::min(bytes, frames * static_cast<uint32_t>(m_blockAlign)));
    header->dwBufferLength = frames * static_cast<DWORD>(m_blockAlign);

    // Counted before the driver has it, so a block that finishes at once is counted down.
    m_queued.fetch_add(1);
    m_held[m_writeIndex].store(1);
    if (Check(L"waveOutWrite", waveOutWrite(Handle(m_handle.load()), header, sizeof(WAVEHDR))) != MMSYSERR_NOERROR) {
        m_held[m_writeIndex].store(0);
        m_queued.fetch_sub(1);
        return WriteRefused;
    }
    m_writeIndex = (m_writeIndex + 1) % m_blockCount;
    platform::SleepMs(1);
    return static_cast<int>(bytes);
}

int CWinMMEOut::GetState() { return m_paused.load() ? DevicePaused : m_open.load(); }

int CWinMMEOut::Pause(int pause) {
    m_paused.store(pause ? 1 : 0);
    HWAVEOUT handle = Handle(m_handle.load());
    const MMRESULT result = pause ? Check(L"waveOutPause", waveOutPause(handle))
                                  : Check(L"waveOutRestart", waveOutRestart(handle));
    return result == MMSYSERR_NOERROR ? PauseDone : PauseFailed;
}

int CWinMMEOut::GetPosition() {
    HWAVEOUT handle = Handle(m_handle.load());
    if (!handle || !m_started) return m_positionBase.load();
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    Check(L"waveOutGetPosition", waveOutGetPosition(handle, &time, sizeof time));
    return static_cast<int>(time.u.sample) + m_positionBase.load();
}

// The driver hands every queued block back with its WOM_DONE, possibly after waveOutReset
// has returned: until then the ring waits for that block rather than write into it.
void CWinMMEOut::Reset(int position) {
    m_positionBase.store(position);
    HWAVEOUT handle = Handle(m_handle.load());
    Check(L"waveOutReset", waveOutReset(handle));
    m_writeIndex = 0;
    if (m_paused.load()) Check(L"waveOutPause", waveOutPause(handle));
}

int CWinMMEOut::GetBlockBytes() { return m_sourceBlockBytes; }
