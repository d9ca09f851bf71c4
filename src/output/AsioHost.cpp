#include "output/AsioHost.h"

#include <cstring>

#include "platform/Report.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace {

// The callbacks the driver calls; plain C functions on its own thread.
void OnBufferSwitch(int32_t index, AsioBool) {
    CAsioHost& host = CAsioHost::Instance();
    ASIOTime time{};
    AsioSamples position{};
    AsioTimeStamp stamp{};
    if (host.GetSamplePosition(position, stamp) == AsioOk) {
        time.timeInfo.samplePosition = position;
        time.timeInfo.systemTime = stamp;
        time.timeInfo.flags = AsioSystemTimeValid | AsioSamplePositionValid;
    }
    host.BufferSwitch(&time, index);
}

ASIOTime* OnBufferSwitchTimeInfo(ASIOTime* time, int32_t index, AsioBool) {
    CAsioHost::Instance().BufferSwitch(time, index);
    return nullptr;
}

void OnSampleRateChanged(AsioSampleRate) {
    CAsioHost& host = CAsioHost::Instance();
    host.SetSampleRate(host.streamRate);
}

int32_t OnMessage(int32_t selector, int32_t value, void*, double*) { return CAsioHost::Message(selector, value); }

void CopyText(char* to, const char* from, size_t size) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

}  // namespace

bool AsioCallOk(const wchar_t* call, AsioError result) {
    if (result == AsioOk) return true;
    platform::DebugLine(std::wstring(L"ASIO: ") + call + L" failed, error " + std::to_wstring(result));
    return false;
}

CAsioHost& CAsioHost::Instance() {
    // Never destroyed: devices closing at exit still find it.
    static CAsioHost* host = new CAsioHost;
    return *host;
}

void CAsioHost::UseDriverList(CAsioDriverListBase* list) {
    DropDriver();
    m_list = list;
}

CAsioDriverListBase* CAsioHost::List() {
    if (m_list) return m_list;
    if (!m_installed) m_installed = OpenAsioDriverList();
    return m_installed.get();
}

bool CAsioHost::LoadDriver(const std::string& name) {
    CAsioDriverListBase* list = List();
    char entry[32];
    for (int i = 0; i < list->Count(); ++i) {
        // A name of 32 characters or more comes back cut and never matches.
        if (list->GetName(i, entry, sizeof entry) != 0 || name != entry) continue;
        char previous[32] = "";
        const bool hadPrevious = m_driver && list->GetName(m_index, previous, sizeof previous) == 0;
        DropDriver();
        IAsioDriver* created = nullptr;
        const int result = list->CreateDriver(i, &created);
        if (result == 0 && created) {
            m_driver = created;
            m_index = i;
            return true;
        }
        platform::DebugLine(L"ASIO: creating driver " + platform::AnsiToWide(name) + L" failed, code " +
                            std::to_wstring(result));
        if (hadPrevious && name != previous) LoadDriver(previous);
        return false;
    }
    platform::DebugLine(L"ASIO: no driver named " + platform::AnsiToWide(name));
    return false;
}

void CAsioHost::DropDriver() {
    if (m_driver) List()->ReleaseDriver(m_index);
    m_driver = nullptr;
    m_index = -1;
}

AsioError CAsioHost::Init() {
    driver.info.driverVersion = 0;
    CopyText(driver.info.name, "No ASIO Driver", sizeof driver.info.name);
    if (!m_driver) return AsioNotPresent;
    if (m_driver->init(driver.info.sysRef)) {
        CopyText(driver.info.errorMessage, "No ASIO Driver Error", sizeof driver.info.errorMessage);
        m_driver->getDriverName(driver.info.name);
        driver.info.name[sizeof driver.info.name - 1] = '\0';
        driver.info.driverVersion = m_driver->getDriverVersion();
        return AsioOk;
    }
    std::memset(driver.info.errorMessage, 0, sizeof driver.info.errorMessage);
    m_driver->getErrorMessage(driver.info.errorMessage);
    driver.info.errorMessage[sizeof driver.info.errorMessage - 1] = '\0';
    platform::DebugLine(L"ASIO: init failed: " + platform::AnsiToWide(driver.info.errorMessage));
    // Released, not only forgotten, so that the driver can be created again later.
    DropDriver();
    return AsioNotPresent;
}

AsioError CAsioHost::Start() { return m_driver ? m_driver->start() : AsioNotPresent; }
AsioError CAsioHost::Stop() { return m_driver ? m_driver->stop() : AsioNotPresent; }
AsioError CAsioHost::DisposeBuffers() {
    // The driver's buffers are gone: nothing may clear them later.
    driver.buffers[0] = driver.buffers[1] = ASIOBufferInfo{};
    return m_driver ? m_driver->disposeBuffers() : AsioNotPresent;
}
AsioError CAsioHost::ControlPanel() { return m_driver ? m_driver->controlPanel() : AsioNotPresent; }
AsioError CAsioHost::OutputReady() { return m_driver ? m_driver->outputReady() : AsioNotPresent; }
AsioError CAsioHost::SetSampleRate(AsioSampleRate rate) { return m_driver ? m_driver->setSampleRate(rate) : AsioNotPresent; }

AsioError CAsioHost::GetChannels(int32_t& inputs, int32_t& outputs) {
    inputs = outputs = 0;
    return m_driver ? m_driver->getChannels(&inputs, &outputs) : AsioNotPresent;
}

AsioError CAsioHost::GetLatencies(int32_t& input, int32_t& output) {
    input = output = 0;
    return m_driver ? m_driver->getLatencies(&input, &output) : AsioNotPresent;
}

AsioError CAsioHost::GetBufferSize(int32_t& minSize, int32_t& maxSize, int32_t& preferred, int32_t& granularity) {
    minSize = maxSize = preferred = granularity = 0;
    return m_driver ? m_driver->getBufferSize(&minSize, &maxSize, &preferred, &granularity) : AsioNotPresent;
}

AsioError CAsioHost::GetSampleRate(AsioSampleRate& rate) {
    rate = 0;
    return m_driver ? m_driver->getSampleRate(&rate) : AsioNotPresent;
}

AsioError CAsioHost::GetSamplePosition(AsioSamples& position, AsioTimeStamp& time) {
    position = time = AsioSamples{};
    return m_driver ? m_driver->getSamplePosition(&position, &time) : AsioNotPresent;
}

AsioError CAsioHost::GetChannelInfo(ASIOChannelInfo& info) {
    if (m_driver) return m_driver->getChannelInfo(&info);
    info.channelGroup = -1;
    info.type = 0;
    CopyText(info.name, "None", sizeof info.name);
    return AsioNotPresent;
}

AsioError CAsioHost::CreateBuffers(ASIOBufferInfo* infos, int32_t count, int32_t size) {
    if (m_driver) {
        callbacks = {OnBufferSwitch, OnSampleRateChanged, OnMessage, OnBufferSwitchTimeInfo};
        return m_driver->createBuffers(infos, count, size, &callbacks);
    }
    for (int32_t i = 0; i < count; ++i) infos[i].buffers[0] = infos[i].buffers[1] = nullptr;
    return AsioNotPresent;
}

int32_t CAsioHost::Message(int32_t selector, int32_t value) {
    switch (selector) {
        case AsioSelectorSupported:
            switch (value) {
                case AsioEngineVersion:
                case AsioResetRequest:
                case AsioResyncRequest:
                case AsioLatenciesChanged:
                case AsioSupportsTimeInfo:
                case AsioSupportsTimeCode:
                case AsioSupportsInputMonitor: return 1;
                default: return 0;
            }
        case AsioEngineVersion: return 2;
        case AsioResetRequest:
        case AsioResyncRequest:
        case AsioLatenciesChanged:
        case AsioSupportsTimeInfo: return 1;
        default: return 0;
    }
}

void CAsioHost::SilenceDriverBuffers() {
    for (int channel = 0; channel < 2; ++channel) {
        for (int index = 0; index < 2; ++index) {
            if (void* half = driver.buffers[channel].buffers[index]) std::memset(half, 0, static_cast<size_t>(halfBufferBytes));
        }
    }
}

void CAsioHost::BufferSwitch(const ASIOTime* time, int32_t index) {
    // A driver naming a half it does not have gets nothing written anywhere.
    if (index != 0 && index != 1) return;
    if (time) lastTime = *time;
    // Counted before hold is read: whoever set hold either sees this switch and waits for
    // it, or is seen by it.
    switching.fetch_add(1);
    FillHalf(index);
    switching.fetch_sub(1);
    if (driver.postOutput) OutputReady();
}

void CAsioHost::WaitForSwitch() {
    while (switching.load() != 0) platform::SleepMs(1);
}

void CAsioHost::FillHalf(int32_t index) {
    auto* left = static_cast<uint8_t*>(driver.buffers[0].buffers[index]);
    auto* right = static_cast<uint8_t*>(driver.buffers[1].buffers[index]);
    if (!left || !right) return;
    const size_t half = static_cast<size_t>(halfBufferBytes);
    const bool held = hold.load() != 0;

    // The frames of the previous switch are heard from now on; a switch that finds the
    // ring empty adds nothing the next time, so the position waits with the sound.
    if (!held) position.fetch_add(lastDelivered.exchange(0));
    if (held || filled.load() <= 0) {
        // Silence only when nothing plays: a block's copy fills the whole half.
        std::memset(left, 0, half);
        std::memset(right, 0, half);
        return;
    }
    const int32_t r = readIndex.load();
    const int32_t offset = readOffset.load();
    AsioBlock* block = blocks[r];
    std::memcpy(left, block->left + offset, half);
    std::memcpy(right, block->right + offset, half);
    const int32_t frames = block->frames.load();
    const int32_t n = frames < driver.preferredSize ? frames : driver.preferredSize;
    block->frames.store(frames - n);
    lastDelivered.store(n);
    if (frames - n < 1 || offset + 2 * halfBufferBytes > blockBytes) {
        readIndex.store((r + 1) % blockCount);
        readOffset.store(0);
        filled.fetch_sub(1);
    } else {
        readOffset.store(offset + halfBufferBytes);
    }
}
