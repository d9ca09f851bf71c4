#pragma once
// A driver object for the ASIO host's native tests, standing in for the drivers that only
// run on Windows: it answers as configured, logs the operations called and lets the test
// run buffer switches on its own thread, or, clocked, runs them itself in real time from
// start to stop and keeps what each switch left in its half. ScriptedAsioList lists such
// drivers by name.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "output/AsioDriverList.h"
#include "output/AsioInterface.h"

class ScriptedAsioDriver final : public IAsioDriver {
public:
    struct Config {
        AsioBool init = 1;
        int32_t outputs = 4;
        int32_t bufferSize = 64;
        double rate = 44100;
        int32_t sampleType = AsioInt16Lsb;
        AsioError createBuffers = AsioOk;
        AsioError start = AsioOk;
        AsioError outputReady = AsioOk;
        bool clocked = false;  // switches on a thread of its own while started
    };
    // What a clocked driver played: each switch's two halves, channel by channel.
    struct Heard {
        std::vector<uint8_t> channel[2];
        std::atomic<int> switches{0};
    };

    ScriptedAsioDriver(const Config& config, std::vector<std::string>* log, Heard* heard)
        : m_config(config), m_log(log), m_heard(heard) {}
    ~ScriptedAsioDriver() { StopClock(); }

    // Runs the host's buffer switch for half index, with or without time info.
    void Switch(int32_t index, bool timeInfo = true);
    // Samples of the given half of the buffer created for the n-th channel asked for.
    std::vector<uint8_t> Half(int n, int32_t index) const;
    double Rate() const { return m_config.rate; }

    int32_t QueryInterface(const void*, void**) override { return -1; }
    uint32_t AddRef() override { return ++m_references; }
    uint32_t Release() override;

    AsioBool init(void*) override;
    void getDriverName(char* name) override;
    int32_t getDriverVersion() override { return 7; }
    void getErrorMessage(char* text) override;
    AsioError start() override;
    AsioError stop() override;
    AsioError getChannels(int32_t* inputs, int32_t* outputs) override;
    AsioError getLatencies(int32_t* input, int32_t* output) override;
    AsioError getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferred, int32_t* granularity) override;
    AsioError canSampleRate(AsioSampleRate) override { return AsioOk; }
    AsioError getSampleRate(AsioSampleRate* rate) override;
    AsioError setSampleRate(AsioSampleRate rate) override;
    AsioError getClockSources(ASIOClockSource*, int32_t* count) override;
    AsioError setClockSource(int32_t) override { return AsioOk; }
    AsioError getSamplePosition(AsioSamples* position, AsioTimeStamp* time) override;
    AsioError getChannelInfo(ASIOChannelInfo* info) override;
    AsioError createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t size, ASIOCallbacks* callbacks) override;
    AsioError disposeBuffers() override;
    AsioError controlPanel() override;
    AsioError future(int32_t, void*) override { return AsioInvalidParameter; }
    AsioError outputReady() override;

private:
    void Log(const std::string& call) {
        if (m_log) m_log->push_back(call);
    }
    int BytesPerSample() const;
    void Clock();
    void StopClock();

    Config m_config;
    std::vector<std::string>* m_log;
    Heard* m_heard;
    std::thread m_clock;
    std::atomic<bool> m_clockRuns{false};
    uint32_t m_references = 1;
    ASIOCallbacks m_callbacks{};
    std::vector<ASIOBufferInfo> m_infos;
    std::vector<std::vector<uint8_t>> m_memory;
    int64_t m_samplePosition = 0;
};

class ScriptedAsioList : public CAsioDriverListBase {
public:
    struct Entry {
        std::string name;
        ScriptedAsioDriver::Config config;
        bool creatable = true;
    };

    std::vector<Entry> entries;
    std::vector<std::string> log;  // "create NAME", "release NAME" and the driver's calls
    ScriptedAsioDriver::Heard heard;  // what clocked drivers played
    ScriptedAsioDriver* current = nullptr;  // the driver created last, while it lives

    int Count() override { return static_cast<int>(entries.size()); }
    int GetName(int index, char* buffer, int size) override;
    int CreateDriver(int index, IAsioDriver** out) override;
    int ReleaseDriver(int index) override;

private:
    std::vector<ScriptedAsioDriver*> m_objects;
};
