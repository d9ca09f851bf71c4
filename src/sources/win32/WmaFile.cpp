#include "WmaFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/DebugLine.h"
#include "platform/Time.h"
#include "sources/HeldPcm.h"
#include "sources/MediaTime.h"
#include "sources/ReaderReport.h"
#include "sources/WaveFormatTag.h"

namespace {

// The sample being copied out, shared by all readers: one stream plays at a time.
struct HeldSample {
    INSSBuffer* buffer = nullptr;
    HeldPcm pcm;
} g_held;

void DropHeldSample() {
    if (g_held.buffer) g_held.buffer->Release();
    g_held = HeldSample{};
}

// "Duration" of the whole file; 0 when it is missing or not a 64-bit word.
uint64_t Duration(IWMSyncReader* reader) {
    platform::ComRef<IWMHeaderInfo> header;
    if (FAILED(reader->QueryInterface(__uuidof(IWMHeaderInfo), reinterpret_cast<void**>(header.Put())))) return 0;
    WORD stream = 0;
    WMT_ATTR_DATATYPE type{};
    WORD length = 0;
    uint64_t duration = 0;
    if (SUCCEEDED(header->GetAttributeByName(&stream, kAttributeDuration, &type, nullptr, &length)) &&
        type == WMT_TYPE_QWORD && length == sizeof duration) {
        if (FAILED(header->GetAttributeByName(&stream, kAttributeDuration, &type, reinterpret_cast<BYTE*>(&duration),
                                              &length)))
            duration = 0;
    }
    return duration;
}

// A failed runtime call leaves its HRESULT for the debugger; the caller shows the box.
bool Succeeded(const wchar_t* call, HRESULT result) {
    if (FAILED(result)) DebugLine(L"%ls failed, HRESULT 0x%08lx", call, static_cast<unsigned long>(result));
    return SUCCEEDED(result);
}

// The WAVEFORMATEX of an output, when its media type carries one the devices can play.
bool WaveFormatOf(IWMOutputMediaProps* props, WAVEFORMATEX& wave) {
    DWORD size = 0;
    if (FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE)) return false;
    std::vector<BYTE> bytes(size);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(bytes.data());
    if (FAILED(props->GetMediaType(type, &size)) || !IsEqualGUID(type->formattype, kFormatWaveFormatEx) ||
        !type->pbFormat || type->cbFormat < sizeof(PCMWAVEFORMAT))
        return false;
    wave = WAVEFORMATEX{};
    std::memcpy(&wave, type->pbFormat, sizeof(PCMWAVEFORMAT));
    // An extensible format plays as the sub-format it names: the devices take tags 1 and 3.
    wave.wFormatTag = static_cast<WORD>(PlayableFormatTag(type->pbFormat, type->cbFormat));
    // A block that is not whole samples of every channel would stall or garble the engine.
    return wave.wFormatTag != 0 && wave.nSamplesPerSec > 0 && wave.nChannels > 0 && wave.wBitsPerSample > 0 && wave.wBitsPerSample % 8 == 0 &&
           wave.nBlockAlign == wave.nChannels * wave.wBitsPerSample / 8;
}

}  // namespace

CWmaFile::CWmaFile(std::wstring runtimeName)
    : m_runtime(std::move(runtimeName), {kTextWmvcoreMissing, kTextWmvcoreIncomplete}) {}

CWmaFile::~CWmaFile() { Close(); }

bool CWmaFile::LoadRuntime() {
    const bool loaded = m_runtime.Load([this](const DecoderLibrary& runtime) {
        m_create = runtime.Export<WMCreateSyncReaderFn>("WMCreateSyncReader");
        return m_create != nullptr;
    });
    if (loaded && !m_reader) m_reader = CreateReader();
    return loaded && m_reader;
}

// A reader of its own for the file, so the stream that plays is not disturbed; null when
// the runtime refuses the file.
platform::ComRef<IWMSyncReader> CWmaFile::OpenTemporary(const std::wstring& path) const {
    platform::ComRef<IWMSyncReader> reader = CreateReader();
    if (reader && !Succeeded(L"IWMSyncReader::Open", reader->Open(path.c_str()))) reader.Reset();
    return reader;
}

platform::ComRef<IWMSyncReader> CWmaFile::CreateReader() const {
    platform::ComRef<IWMSyncReader> reader;
    if (!Succeeded(L"WMCreateSyncReader", m_create(nullptr, 0, reader.Put()))) reader.Reset();
    return reader;
}

// Takes the first output in WAVEFORMATEX form: a file may carry video before its audio.
bool CWmaFile::ParseHeader(const std::wstring& path) {
    const platform::ComRef<IWMSyncReader> reader = OpenTemporary(path);
    if (!reader) return false;
    DWORD outputs = 0;
    bool taken = false;
    if (SUCCEEDED(reader->GetOutputCount(&outputs))) {
        for (DWORD i = 0; i < outputs && !taken; ++i) {
            platform::ComRef<IWMOutputMediaProps> props;
            if (FAILED(reader->GetOutputProps(i, props.Put())) || !props) continue;
            WAVEFORMATEX wave{};
            WORD stream = 0;
            if (WaveFormatOf(props.Get(), wave) && SUCCEEDED(reader->GetStreamNumberForOutput(i, &stream))) {
                m_format = AudioFormatInfo{};
                m_format.formatTag = wave.wFormatTag;
                m_format.channels = wave.nChannels;
                m_format.sampleRate = static_cast<int32_t>(wave.nSamplesPerSec);
                m_format.bitsPerSample = wave.wBitsPerSample;
                m_format.blockAlign = wave.nBlockAlign;
                m_format.totalFrames = FramesOfDuration(Duration(reader.Get()), wave.nSamplesPerSec);
                m_stream = stream;
                taken = true;
            }
        }
    }
    reader->Close();
    return taken;
}

int CWmaFile::Open(const std::wstring& path) {
    if (!LoadRuntime()) return 0;
    if (!platform::File::Exists(path)) return ReportFileError(kTextCannotOpen);
    if (!ParseHeader(path)) return ReportFileError(kTextUnsupported);
    m_open = Succeeded(L"IWMSyncReader::Open", m_reader->Open(path.c_str()));
    return m_open ? ReaderDone : ReaderFailed;
}

void CWmaFile::Close() {
    DropHeldSample();
    if (m_open) m_reader->Close();
    m_open = false;
}

// A runtime's reader with no file open is not asked for anything: some fault then. The
// sample held from before the jump is dropped, whoever seeks.
int CWmaFile::Seek(uint32_t frame) {
    if (!m_open) return 0;
    DropHeldSample();
    m_reader->SetRange(MediaTimeOfFrame(frame, static_cast<uint64_t>(m_format.sampleRate)), 0);
    return static_cast<int>(frame);
}

int CWmaFile::Read(void* buffer, uint32_t bytes) {
    if (!m_open) return 0;
    if (bytes == 0) {
        DropHeldSample();
        return 0;
    }
    if (!buffer) return 0;
    bytes = std::min<uint32_t>(bytes, INT_MAX);
    const Gathered got = GatherPcm(g_held.pcm, static_cast<uint8_t*>(buffer), bytes, [this] {
        DropHeldSample();
        QWORD time = 0, duration = 0;
        DWORD flags = 0, output = 0, length = 0;
        WORD stream = 0;
        BYTE* bytesOfSample = nullptr;
        // Some runtimes leave INSSBuffer::GetLength unimplemented; this call gives both.
        if (FAILED(m_reader->GetNextSample(m_stream, &g_held.buffer, &time, &duration, &flags, &output, &stream)) ||
            !g_held.buffer || FAILED(g_held.buffer->GetBufferAndLength(&bytesOfSample, &length)) || !bytesOfSample) {
            DropHeldSample();
            return Refill::Failed;
        }
        g_held.pcm = {bytesOfSample, length};
        return Refill::Filled;
    });
    // The end of the stream, or an error, ends it; what this read gathered before is still
    // delivered, and the next read reports the end.
    if (got.failed && got.bytes == 0) return ReadFailed;
    platform::SleepMs(10);
    return static_cast<int>(got.bytes);
}

int CWmaFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    if (!LoadRuntime()) return 0;
    const platform::ComRef<IWMSyncReader> reader = OpenTemporary(path);
    if (!reader) return 0;
    const PlayLength length = TruncatedLength(Duration(reader.Get()));
    reader->Close();
    minutes = length.minutes;
    seconds = length.seconds;
    return ReaderDone;
}
