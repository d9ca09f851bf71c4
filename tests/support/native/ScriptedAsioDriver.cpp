#include "support/native/ScriptedAsioDriver.h"

#include <chrono>
#include <cstdio>
#include <cstring>

uint32_t ScriptedAsioDriver::Release() {
    const uint32_t left = --m_references;
    if (left == 0) delete this;
    return left;
}

void ScriptedAsioDriver::Switch(int32_t index, bool timeInfo) {
    m_samplePosition += m_config.bufferSize;
    if (timeInfo) {
        ASIOTime time{};
        time.timeInfo.samplePosition = AsioSamples{0, static_cast<uint32_t>(m_samplePosition)};
        m_callbacks.bufferSwitchTimeInfo(&time, index, 1);
    } else {
        m_callbacks.bufferSwitch(index, 1);
    }
}

int ScriptedAsioDriver::BytesPerSample() const {
    switch (m_config.sampleType) {
        case AsioInt16Lsb: return 2;
        case AsioInt24Lsb: return 3;
        case AsioFloat64Lsb: return 8;
        default: return 4;
    }
}

std::vector<uint8_t> ScriptedAsioDriver::Half(int n, int32_t index) const {
    const auto* p = static_cast<const uint8_t*>(m_infos.at(static_cast<size_t>(n)).buffers[index]);
    return std::vector<uint8_t>(p, p + static_cast<size_t>(m_config.bufferSize) * BytesPerSample());
}

AsioBool ScriptedAsioDriver::init(void*) {
    Log("init");
    return m_config.init;
}

void ScriptedAsioDriver::getDriverName(char* name) { std::strcpy(name, "Scripted"); }
void ScriptedAsioDriver::getErrorMessage(char* text) { std::strcpy(text, "scripted init failure"); }

AsioError ScriptedAsioDriver::start() {
    Log("start");
    if (m_config.start != AsioOk) return m_config.start;
    if (m_config.clocked && !m_clock.joinable()) {
        m_clockRuns.store(true);
        m_clock = std::thread([this] { Clock(); });
    }
    return AsioOk;
}

AsioError ScriptedAsioDriver::stop() {
    Log("stop");
    StopClock();
    return AsioOk;
}

// One switch a period, timed from the start; each half is kept as the hardware would play it.
void ScriptedAsioDriver::Clock() {
    const auto period = std::chrono::duration<double>(m_config.bufferSize / m_config.rate);
    const auto begin = std::chrono::steady_clock::now();
    for (int64_t n = 1; m_clockRuns.load(); ++n) {
        const int32_t index = static_cast<int32_t>(n & 1);
        Switch(index);
        for (int c = 0; c < 2; ++c) {
            const std::vector<uint8_t> half = Half(c, index);
            m_heard->channel[c].insert(m_heard->channel[c].end(), half.begin(), half.end());
        }
        ++m_heard->switches;
        std::this_thread::sleep_until(begin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(n * period));
    }
}

// Like a real driver, returns once no switch runs any more.
void ScriptedAsioDriver::StopClock() {
    m_clockRuns.store(false);
    if (m_clock.joinable()) m_clock.join();
}

AsioError ScriptedAsioDriver::getChannels(int32_t* inputs, int32_t* outputs) {
    Log("getChannels");
    *inputs = 2;
    *outputs = m_config.outputs;
    return AsioOk;
}

AsioError ScriptedAsioDriver::getLatencies(int32_t* input, int32_t* output) {
    *input = *output = m_config.bufferSize;
    return AsioOk;
}

AsioError ScriptedAsioDriver::getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferred,
                                            int32_t* granularity) {
    Log("getBufferSize");
    *minSize = *maxSize = *preferred = m_config.bufferSize;
    *granularity = 0;
    return AsioOk;
}

AsioError ScriptedAsioDriver::getSampleRate(AsioSampleRate* rate) {
    Log("getSampleRate");
    *rate = m_config.rate;
    return AsioOk;
}

AsioError ScriptedAsioDriver::setSampleRate(AsioSampleRate rate) {
    Log("setSampleRate " + std::to_string(static_cast<int>(rate)));
    m_config.rate = rate;
    return AsioOk;
}

AsioError ScriptedAsioDriver::getClockSources(ASIOClockSource*, int32_t* count) {
    *count = 0;
    return AsioOk;
}

AsioError ScriptedAsioDriver::getSamplePosition(AsioSamples* position, AsioTimeStamp* time) {
    *position = AsioSamples{static_cast<uint32_t>(m_samplePosition >> 32), static_cast<uint32_t>(m_samplePosition)};
    *time = AsioTimeStamp{1, 2};
    return AsioOk;
}

AsioError ScriptedAsioDriver::getChannelInfo(ASIOChannelInfo* info) {
    if (info->channel < 0 || info->channel >= m_config.outputs) return AsioInvalidParameter;
    info->type = m_config.sampleType;
    std::snprintf(info->name, sizeof info->name, "Out %d", static_cast<int>(info->channel + 1));
    return AsioOk;
}

AsioError ScriptedAsioDriver::createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t size,
                                            ASIOCallbacks* callbacks) {
    Log("createBuffers " + std::to_string(infos[0].channelNum) + "," + std::to_string(infos[count - 1].channelNum));
    if (m_config.createBuffers != AsioOk) return m_config.createBuffers;
    m_callbacks = *callbacks;
    m_infos.clear();
    m_memory.clear();
    for (int32_t i = 0; i < count; ++i) {
        if (infos[i].channelNum >= m_config.outputs) return AsioInvalidParameter;
        for (int half = 0; half < 2; ++half) {
            // Filled with a pattern, so a host that does not clear its halves shows.
            m_memory.emplace_back(static_cast<size_t>(size) * BytesPerSample(), 0xA5);
            infos[i].buffers[half] = m_memory.back().data();
        }
        m_infos.push_back(infos[i]);
    }
    return AsioOk;
}

AsioError ScriptedAsioDriver::disposeBuffers() {
    Log("disposeBuffers");
    StopClock();
    m_infos.clear();
    m_memory.clear();
    return AsioOk;
}

AsioError ScriptedAsioDriver::controlPanel() {
    Log("controlPanel");
    return AsioOk;
}

AsioError ScriptedAsioDriver::outputReady() { return m_config.outputReady; }

int ScriptedAsioList::GetName(int index, char* buffer, int size) {
    if (index < 0 || index >= Count()) return AsioListNoEntry;
    return CopyAsioDriverName(entries[static_cast<size_t>(index)].name, buffer, size);
}

int ScriptedAsioList::CreateDriver(int index, IAsioDriver** out) {
    const Entry& entry = entries.at(static_cast<size_t>(index));
    log.push_back("create " + entry.name);
    if (!entry.creatable) return -2147221164;  // class not registered
    m_objects.resize(entries.size(), nullptr);
    current = new ScriptedAsioDriver(entry.config, &log, &heard);
    m_objects[static_cast<size_t>(index)] = current;
    *out = current;
    return 0;
}

int ScriptedAsioList::ReleaseDriver(int index) {
    ScriptedAsioDriver*& object = m_objects.at(static_cast<size_t>(index));
    if (!object) return 0;
    log.push_back("release " + entries[static_cast<size_t>(index)].name);
    if (object == current) current = nullptr;
    object->Release();
    object = nullptr;
    return 0;
}
