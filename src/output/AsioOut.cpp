#include "output/AsioOut.h"

#include <new>
#include <string>

#include "output/AsioHost.h"
#include "platform/Report.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace {

const wchar_t* const kCaptionAsioError = L"Asio Error";
const wchar_t* const kNoDevice = L"ASIOデバイスが見つかりません。";
const wchar_t* const kInitFailed = L"ASIOドライバの初期化に失敗しました。";
const wchar_t* const kBufferFailed = L"ASIOバッファの初期化に失敗しました。";
const wchar_t* const kStartFailed = L"ASIOドライバを開始できませんでした。";

// Beyond this a driver's buffer size is taken for garbage.
constexpr int32_t kMaxDriverBuffer = 1 << 20;
constexpr int32_t kMaxChannelNameChars = 100;

CAsioHost& Host() { return CAsioHost::Instance(); }

}  // namespace

CAsioOut::~CAsioOut() {
    if (Host().running.load()) Close();
}

int CAsioOut::Fail(const wchar_t* text) {
    platform::ShowReport(text, kCaptionAsioError, platform::ReportErrorStyle);
    return OpenFailed;
}

int CAsioOut::Open(OutputParams& params) {
    CAsioHost& host = Host();
    if (host.running.load()) return OpenFailed;
    // Whatever the driver calls before the ring is ready plays silence.
    host.hold.store(1);
    std::string name;
    platform::WideToAnsi(params.deviceName, name);
    if (!host.LoadDriver(name)) return Fail(kNoDevice);
    if (!StoreFormat(params)) return OpenFailed;

    AsioSampleRate rate = 0;
    host.GetSampleRate(rate);
    if (rate != host.streamRate) {
        host.SetSampleRate(host.streamRate);
        host.LoadDriver(name);
    }
    if (host.Init() != AsioOk) return Fail(kInitFailed);  // Init wrote the driver's text

    m_reduce = m_formatTag == 1 && params.bitsPerSample > params.resolution ? 1 : 0;
    if (QueryDriver() != 0) return Fail(kInitFailed);
    host.lastDelivered.store(0);
    host.position.store(0);

    // A pair the driver does not have is refused before it is asked for buffers.
    if (m_pair < 0 || 2 * int64_t{m_pair} + 1 >= host.driver.outputChannels) return OpenFailed;
    if (!CreateBuffers()) return Fail(kBufferFailed);
    if (!BuildRing(params)) {
        FreeRing();
        host.DisposeBuffers();
        return OpenFailed;
    }

    if (m_reduce) m_reducer.Setup(m_conversion.channels, m_conversion.sourceBytes, params.resolution, params.ditherType);
    if (!AsioCallOk(L"start", host.Start())) {
        FreeRing();
        host.DisposeBuffers();
        return Fail(kStartFailed);
    }
    platform::SleepMs(1);
    host.hold.store(0);
    host.running.store(1);
    return OpenDone;
}

bool CAsioOut::StoreFormat(const OutputParams& params) {
    m_formatTag = params.formatTag;
    m_conversion.sourceBytes = params.bitsPerSample / 8;
    m_conversion.channels = params.channels;
    m_frameBytes = m_conversion.sourceBytes * params.channels;
    m_pair = params.selection;
    Host().streamRate = params.sampleRate;
    const int32_t bits = params.bitsPerSample;
    // Integer PCM or IEEE float: any other tag would play as noise.
    const bool integer = m_formatTag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floating = m_formatTag == 3 && (bits == 32 || bits == 64);
    return (integer || floating) && params.channels >= 1 && params.channels <= 64 && params.sampleRate > 0;
}

int CAsioOut::QueryDriver() {
    CAsioHost& host = Host();
    AsioDriverState& d = host.driver;
    if (!AsioCallOk(L"getChannels", host.GetChannels(d.inputChannels, d.outputChannels))) return -1;
    if (!AsioCallOk(L"getBufferSize", host.GetBufferSize(d.minSize, d.maxSize, d.preferredSize, d.granularity))) return -2;
    if (d.preferredSize < 1 || d.preferredSize > kMaxDriverBuffer) {
        platform::DebugLine(L"ASIO: getBufferSize gave the preferred size " + std::to_wstring(d.preferredSize));
        return -2;
    }
    if (!AsioCallOk(L"getSampleRate", host.GetSampleRate(d.sampleRate))) return -3;
    if (!(d.sampleRate > 0)) {
        if (!AsioCallOk(L"setSampleRate", host.SetSampleRate(44100.0))) return -5;
        if (!AsioCallOk(L"getSampleRate", host.GetSampleRate(d.sampleRate))) return -6;
    }
    d.postOutput = host.OutputReady() == AsioOk ? 1 : 0;
    return 0;
}

bool CAsioOut::CreateBuffers() {
    CAsioHost& host = Host();
    AsioDriverState& d = host.driver;
    // A driver that switches before it is started finds no length of an earlier stream.
    host.halfBufferBytes = 0;
    for (int32_t i = 0; i < 2; ++i) d.buffers[i] = ASIOBufferInfo{0, 2 * m_pair + i, {nullptr, nullptr}};
    bool ok = AsioCallOk(L"createBuffers", host.CreateBuffers(d.buffers, 2, d.preferredSize));
    for (int32_t i = 0; i < 2 && ok; ++i) {
        d.channels[i] = ASIOChannelInfo{};
        d.channels[i].channel = 2 * m_pair + i;
        ok = AsioCallOk(L"getChannelInfo", host.GetChannelInfo(d.channels[i]));
        if (ok && !(d.buffers[i].buffers[0] && d.buffers[i].buffers[1])) {
            platform::DebugLine(L"ASIO: createBuffers gave no buffer for channel " + std::to_wstring(2 * m_pair + i));
            ok = false;
        }
    }
    ok = ok && AsioCallOk(L"getLatencies", host.GetLatencies(d.inputLatency, d.outputLatency));
    // A sample type without a converter is refused: its buffers would get noise.
    if (ok && !ChooseAsioConverter(d.channels[0].type, m_formatTag != 1, m_conversion, m_converter)) {
        platform::DebugLine(L"ASIO: no converter for sample type " + std::to_wstring(d.channels[0].type));
        ok = false;
    }
    if (!ok) {
        host.DisposeBuffers();
        return false;
    }
    host.halfBufferBytes = d.preferredSize * m_conversion.driverBytes;
    host.SilenceDriverBuffers();
    return true;
}

bool CAsioOut::BuildRing(const OutputParams& params) {
    CAsioHost& host = Host();
    if (params.blockCount < 1 || params.blockCount > CAsioHost::kMaxBlocks) return false;
    const int64_t driverBytes = m_conversion.driverBytes;
    const int64_t bytes = int64_t{params.bufferTime} * host.streamRate / 1000 * driverBytes;
    const int64_t bufferBytes = host.halfBufferBytes;
    // Whole driver buffers, at least one.
    const int64_t blockBytes = bytes >= bufferBytes ? bytes / bufferBytes * bufferBytes : bufferBytes;
    const int64_t sourceBytes = blockBytes / driverBytes * m_frameBytes;
    if (blockBytes > INT32_MAX || sourceBytes > INT32_MAX) return false;
    host.blockBytes = static_cast<int32_t>(blockBytes);
    m_sourceBlockBytes = static_cast<int32_t>(sourceBytes);
    host.blockCount = params.blockCount;
    for (int i = 0; i < host.blockCount; ++i) {
        void* memory = m_memory.Alloc(sizeof(AsioBlock));
        if (!memory) return false;
        AsioBlock* block = new (memory) AsioBlock{nullptr, nullptr, {0}};
        host.blocks[i] = block;
        for (uint8_t** buffer : {&block->left, &block->right}) {
            *buffer = static_cast<uint8_t*>(m_memory.Alloc(static_cast<size_t>(blockBytes)));
            if (!*buffer) return false;
        }
    }
    if (m_conversion.sourceBytes == 1 || m_reduce) m_scratch.assign(static_cast<size_t>(m_sourceBlockBytes), 0);
    RewindRing();
    return true;
}

void CAsioOut::RewindRing() {
    CAsioHost& host = Host();
    host.filled.store(0);
    m_writeIndex = 0;
    host.readIndex.store(0);
    host.readOffset.store(0);
}

void CAsioOut::FreeRing() {
    CAsioHost& host = Host();
    for (AsioBlock*& block : host.blocks) {
        if (!block) continue;
        for (uint8_t* buffer : {block->left, block->right}) m_memory.Free(buffer);
        block->~AsioBlock();
        m_memory.Free(block);
        block = nullptr;
    }
    host.blockCount = 0;
    host.filled.store(0);
    m_scratch.clear();
    m_memory.CheckFreed();
}

void CAsioOut::Close() {
    CAsioHost& host = Host();
    host.hold.store(1);
    host.Stop();
    // A driver may return from stop while its last switch still runs.
    host.WaitForSwitch();
    host.DisposeBuffers();
    host.DropDriver();
    FreeRing();
    host.running.store(0);
    m_paused.store(0);
}

int CAsioOut::Write(const uint8_t* data, uint32_t bytes) {
    CAsioHost& host = Host();
    const int32_t filled = host.filled.load();
    if (filled >= host.blockCount || bytes == 0) {
        platform::SleepMs(1);
        return filled == 0 ? WriteDrained : WriteFull;
    }
    if (bytes > static_cast<uint32_t>(m_sourceBlockBytes)) bytes = static_cast<uint32_t>(m_sourceBlockBytes);
    const uint32_t frameBytes = static_cast<uint32_t>(m_frameBytes);
    const uint32_t frames = bytes / frameBytes;
    AsioBlock* block = host.blocks[m_writeIndex];
    block->frames.store(static_cast<int32_t>(frames));

    const uint8_t* source = data;
    if (m_conversion.sourceBytes == 1) {
        SignEightBit(data, m_scratch.data(), frames * frameBytes);
        source = m_scratch.data();
    } else if (m_reduce) {
        m_reducer.KeepWidth(data, m_scratch.data(), frames);
        source = m_scratch.data();
    }
    m_converter(m_conversion, source, static_cast<uint32_t>(m_sourceBlockBytes) / frameBytes, frames, block->left,
                block->right);

    m_writeIndex = (m_writeIndex + 1) % host.blockCount;
    host.filled.fetch_add(1);
    platform::SleepMs(1);
    return static_cast<int>(bytes);
}

int CAsioOut::GetState() { return m_paused.load() ? DevicePaused : Host().running.load(); }

int CAsioOut::Pause(int pause) {
    CAsioHost& host = Host();
    std::lock_guard<std::mutex> turn(m_driverTurn);
    if (!host.running.load()) return PauseFailed;
    bool done;
    if (pause) {
        m_paused.store(1);
        done = AsioCallOk(L"stop", host.Stop());
    } else {
        done = AsioCallOk(L"start", host.Start());
        m_paused.store(0);
    }
    return done ? PauseDone : PauseFailed;
}

int CAsioOut::GetPosition() { return Host().position.load(); }

// Safe with the driver running: the switch under way finishes first, later ones play
// silence until the ring has started over.
void CAsioOut::Reset(int position) {
    CAsioHost& host = Host();
    std::lock_guard<std::mutex> turn(m_driverTurn);
    const int32_t held = host.hold.exchange(1);
    host.WaitForSwitch();
    host.position.store(position);
    // The frames before the seek are not counted from the new base.
    host.lastDelivered.store(0);
    RewindRing();
    // A stopped driver would start again with what its buffers hold; a running one plays
    // out the half it was given last, and its switches fill the rest.
    if (m_paused.load()) host.SilenceDriverBuffers();
    host.hold.store(held);
}

int CAsioOut::GetBlockBytes() { return m_sourceBlockBytes; }

void CAsioOut::ShowControlPanel(const std::wstring& driverName) {
    CAsioHost& host = Host();
    if (host.running.load()) {
        host.ControlPanel();
        return;
    }
    std::string name;
    platform::WideToAnsi(driverName, name);
    if (host.LoadDriver(name) && host.Init() == AsioOk) host.ControlPanel();
    host.DropDriver();
}

bool CAsioOut::ReadChannelNames(const std::wstring& driverName, std::vector<std::wstring>& names) {
    CAsioHost& host = Host();
    if (host.running.load()) return false;
    names.clear();
    std::string name;
    platform::WideToAnsi(driverName, name);
    if (!host.LoadDriver(name) || host.Init() != AsioOk) {
        host.DropDriver();
        return false;
    }
    int32_t inputs = 0, outputs = 0;
    host.GetChannels(inputs, outputs);
    for (int32_t i = 0; i < outputs; ++i) {
        ASIOChannelInfo info{};
        info.channel = i;
        host.GetChannelInfo(info);
        info.name[sizeof info.name - 1] = '\0';
        names.push_back(platform::AnsiToWide(info.name).substr(0, kMaxChannelNameChars));
    }
    host.DropDriver();
    return true;
}
