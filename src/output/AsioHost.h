#pragma once
// The one ASIO driver of the process, the ring of blocks it plays from and the callbacks
// the driver calls on its own thread. The engine thread and the driver's thread share the
// ring only through the filled count and the order of the ring: the engine fills blocks
// that are not filled, the buffer switch plays filled blocks and releases each after its
// last frames. Whoever rewinds or frees the ring sets hold and waits for the switch under
// way; the switch never waits for anyone.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "output/AsioDriverList.h"
#include "output/AsioInterface.h"

// True when result is AsioOk; otherwise writes the debug line of the failed driver call.
bool AsioCallOk(const wchar_t* call, AsioError result);

// One block of the ring: a buffer per output channel in the driver's sample format.
struct AsioBlock {
    uint8_t* left;
    uint8_t* right;
    std::atomic<int32_t> frames;  // still to play
};

// What the host learns from the driver while opening it.
struct AsioDriverState {
    ASIODriverInfo info{};
    int32_t inputChannels = 0;
    int32_t outputChannels = 0;
    int32_t minSize = 0;
    int32_t maxSize = 0;
    int32_t preferredSize = 0;
    int32_t granularity = 0;
    AsioSampleRate sampleRate = 0;
    int32_t postOutput = 0;
    int32_t inputLatency = 0;
    int32_t outputLatency = 0;
    // The records are packed; aligned here so their pointers are read where they belong.
    alignas(void*) ASIOBufferInfo buffers[2]{};
    ASIOChannelInfo channels[2]{};
};

class CAsioHost {
public:
    static constexpr int kMaxBlocks = 32;

    static CAsioHost& Instance();

    // Drivers come from the installed list, created on the first load; tests put a list
    // of their own in its place (null restores the installed one).
    void UseDriverList(CAsioDriverListBase* list);
    // Makes the named driver current, releasing the current one first; on failure the
    // previous driver is loaded again.
    bool LoadDriver(const std::string& name);
    void DropDriver();

    // The driver's operations. Without a driver each gives AsioNotPresent and zeroes its
    // outputs.
    AsioError Init();  // fills the driver info; a driver that refuses is forgotten
    AsioError Start();
    AsioError Stop();
    AsioError GetChannels(int32_t& inputs, int32_t& outputs);
    AsioError GetLatencies(int32_t& input, int32_t& output);
    AsioError GetBufferSize(int32_t& minSize, int32_t& maxSize, int32_t& preferred, int32_t& granularity);
    AsioError GetSampleRate(AsioSampleRate& rate);
    AsioError SetSampleRate(AsioSampleRate rate);
    AsioError GetSamplePosition(AsioSamples& position, AsioTimeStamp& time);
    AsioError GetChannelInfo(ASIOChannelInfo& info);
    AsioError CreateBuffers(ASIOBufferInfo* infos, int32_t count, int32_t size);
    AsioError DisposeBuffers();
    AsioError ControlPanel();
    AsioError OutputReady();

    // The buffer switch with its time info, on the driver's thread.
    void BufferSwitch(const ASIOTime* time, int32_t index);
    // Returns once no buffer switch is under way. With hold set before, every later switch
    // leaves the ring and the position alone, so they are the caller's until hold clears.
    void WaitForSwitch();
    // Zeroes both halves of both driver buffers.
    void SilenceDriverBuffers();
    // Answers of the message callback.
    static int32_t Message(int32_t selector, int32_t value);

    AsioDriverState driver;
    ASIOCallbacks callbacks{};
    ASIOTime lastTime{};

    std::atomic<int32_t> running{0};
    std::atomic<int32_t> hold{1};       // switches play silence and touch nothing else
    std::atomic<int32_t> switching{0};  // buffer switches under way
    int32_t streamRate = 0;
    int32_t blockCount = 0;
    std::atomic<int32_t> filled{0};
    std::atomic<int32_t> readIndex{0};
    std::atomic<int32_t> readOffset{0};
    AsioBlock* blocks[kMaxBlocks] = {};
    int32_t blockBytes = 0;  // of each channel's buffer in a block
    int32_t halfBufferBytes = 0;
    std::atomic<int32_t> lastDelivered{0};
    std::atomic<int32_t> position{0};

private:
    CAsioHost() = default;
    void FillHalf(int32_t index);
    CAsioDriverListBase* List();
    std::unique_ptr<CAsioDriverListBase> m_installed;
    CAsioDriverListBase* m_list = nullptr;
    int m_index = -1;
    IAsioDriver* m_driver = nullptr;
};
