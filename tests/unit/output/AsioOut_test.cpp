// The ASIO device and host over scripted driver objects: the buffer switches run on the
// test's thread, so the ring's arithmetic is seen exactly.
#include "output/AsioOut.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "output/AsioHost.h"
#include "platform/Heap.h"
#include "platform/Report.h"
#include "platform/posix/ReportRecorder.h"
#include "support/native/ScriptedAsioDriver.h"

namespace {

using Reports = std::vector<platform::RecordedReport>;

class AsioOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.entries = {{"Loop", {}, true}, {"Other", {}, true}};
        CAsioHost::Instance().UseDriverList(&list);
        platform::ReportRecorder::Clear();
    }
    void TearDown() override {
        device.Close();
        CAsioHost::Instance().UseDriverList(nullptr);
    }

    // 16-bit stereo at 44100 Hz; with 64-frame driver buffers a 10 ms block is 6 buffers.
    OutputParams Params(int32_t bits = 16, int32_t channels = 2, int32_t tag = 1) {
        OutputParams p;
        p.deviceName = L"Loop";
        p.selection = pair;
        p.sampleRate = 44100;
        p.channels = channels;
        p.bitsPerSample = bits;
        p.formatTag = tag;
        p.resolution = 24;
        p.bufferTime = 10;
        p.blockCount = 3;
        return p;
    }

    ScriptedAsioDriver& Driver() { return *list.current; }
    void Switch(int index) { Driver().Switch(index); }

    // Frames numbered from first as 16-bit samples: left = n, right = -n.
    static std::vector<uint8_t> Frames(int first, int count) {
        std::vector<uint8_t> out;
        for (int n = first; n < first + count; ++n) {
            for (int16_t s : {static_cast<int16_t>(n), static_cast<int16_t>(-n)}) {
                out.push_back(static_cast<uint8_t>(s));
                out.push_back(static_cast<uint8_t>(s >> 8));
            }
        }
        return out;
    }
    static int16_t Sample(const std::vector<uint8_t>& half, int frame) {
        return static_cast<int16_t>(half[2 * frame] | half[2 * frame + 1] << 8);
    }

    ScriptedAsioList list;
    CAsioOut device;
    int32_t pair = 0;
};

}  // namespace

TEST_F(AsioOutTest, OpenAsksTheDriverInOrderAndStartsIt) {
    pair = 1;
    OutputParams p = Params();
    ASSERT_EQ(device.Open(p), 1);
    EXPECT_EQ(list.log, (std::vector<std::string>{"create Loop", "getSampleRate", "init", "getChannels", "getBufferSize",
                                                  "getSampleRate", "createBuffers 2,3", "start"}));
    EXPECT_EQ(device.GetState(), DeviceOpen);
    EXPECT_EQ(device.GetBlockBytes(), 6 * 64 * 4);
    EXPECT_EQ(device.Open(p), 0);  // already running
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
    // Both halves of the driver's buffers are cleared of whatever they held.
    EXPECT_EQ(Driver().Half(0, 0), std::vector<uint8_t>(128, 0));
    EXPECT_EQ(Driver().Half(1, 1), std::vector<uint8_t>(128, 0));

    device.Close();
    EXPECT_EQ(list.log.back(), "release Loop");
    EXPECT_EQ(device.GetState(), DeviceClosed);
}

TEST_F(AsioOutTest, EachFailureOfOpenHasItsMessage) {
    struct Case {
        const wchar_t* name;
        ScriptedAsioDriver::Config config;
        const wchar_t* text;
    };
    ScriptedAsioDriver::Config noInit, noBuffers, noStart, oddType;
    noInit.init = 0;
    noBuffers.createBuffers = AsioNoMemory;
    noStart.start = AsioHardwareMalfunction;
    oddType.sampleType = 21;
    for (const Case& c : {Case{L"Missing", {}, L"ASIOデバイスが見つかりません。"},
                          Case{L"Loop", noInit, L"ASIOドライバの初期化に失敗しました。"},
                          Case{L"Loop", noBuffers, L"ASIOバッファの初期化に失敗しました。"},
                          Case{L"Loop", oddType, L"ASIOバッファの初期化に失敗しました。"},
                          Case{L"Loop", noStart, L"ASIOドライバを開始できませんでした。"}}) {
        list.entries[0].config = c.config;
        OutputParams p = Params();
        p.deviceName = c.name;
        EXPECT_EQ(device.Open(p), 0) << c.text;
        const Reports reports = platform::ReportRecorder::Take();
        ASSERT_EQ(reports.size(), 1u) << c.text;
        EXPECT_EQ(reports[0].text, c.text);
        EXPECT_EQ(reports[0].caption, L"Asio Error");
        EXPECT_EQ(reports[0].style, platform::ReportErrorStyle);
        EXPECT_EQ(device.GetState(), DeviceClosed);
        device.Close();
        EXPECT_TRUE(platform::ReportRecorder::Take().empty()) << "no leak report after " << c.text;
    }
}

TEST_F(AsioOutTest, PairsAndFormatsThatCannotPlayAreRefusedQuietly) {
    struct Case {
        int32_t pair, bits, channels, tag;
    };
    for (Case c : {Case{2, 16, 2, 1}, Case{-1, 16, 2, 1}, Case{0, 12, 2, 1}, Case{0, 16, 2, 3}, Case{0, 16, 0, 1},
                   Case{0, 32, 2, 0xFFFE}, Case{0, 32, 2, 2}}) {
        pair = c.pair;
        OutputParams p = Params(c.bits, c.channels, c.tag);
        EXPECT_EQ(device.Open(p), 0) << c.pair << " " << c.bits << " " << c.tag;
        for (const std::string& call : list.log) EXPECT_NE(call.rfind("createBuffers", 0), 0u) << call;
        list.log.clear();
    }
    list.entries[0].config.outputs = 3;  // the last pair would need a fourth channel
    pair = 1;
    OutputParams p = Params();
    EXPECT_EQ(device.Open(p), 0);
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
}

TEST_F(AsioOutTest, TheRingPlaysBlocksOutOneDriverBufferPerSwitch) {
    OutputParams p = Params();
    ASSERT_EQ(device.Open(p), 1);
    const uint64_t allocations = platform::HeapAllocations();
    EXPECT_EQ(device.Write(nullptr, 0), WriteDrained);
    const std::vector<uint8_t> block = Frames(1, 384), partial = Frames(1000, 100);
    EXPECT_EQ(device.Write(block.data(), 99999), 384 * 4);  // cut to one block
    EXPECT_EQ(device.Write(partial.data(), static_cast<uint32_t>(partial.size())), 400);
    EXPECT_EQ(device.Write(partial.data(), 0), WriteFull);

    int index = 0;
    for (int buffer = 0; buffer < 6; ++buffer, index ^= 1) {
        Switch(index);
        const std::vector<uint8_t> left = Driver().Half(0, index), right = Driver().Half(1, index);
        EXPECT_EQ(Sample(left, 0), 1 + 64 * buffer);
        EXPECT_EQ(Sample(right, 63), -(64 + 64 * buffer));
        EXPECT_EQ(device.GetPosition(), 64 * buffer);  // counted once the next switch begins
    }
    // The short block takes two switches and is silent after its 100 frames.
    Switch(index);
    EXPECT_EQ(Sample(Driver().Half(0, index), 0), 1000);
    Switch(index ^ 1);
    EXPECT_EQ(Sample(Driver().Half(0, index ^ 1), 35), 1099);
    EXPECT_EQ(Sample(Driver().Half(0, index ^ 1), 36), 0);
    EXPECT_EQ(device.Write(block.data(), 0), WriteDrained);
    EXPECT_EQ(device.GetPosition(), 384 + 64);

    // An empty ring plays silence and the position waits for the sound.
    for (int i = 0; i < 4; ++i) Switch(i & 1);
    EXPECT_EQ(device.GetPosition(), 484);
    EXPECT_EQ(Driver().Half(0, 0), std::vector<uint8_t>(128, 0));
    EXPECT_EQ(platform::HeapAllocations(), allocations);
}

TEST_F(AsioOutTest, PauseResetAndCloseKeepTheRingConsistent) {
    EXPECT_EQ(device.Pause(1), PauseFailed);  // not running: nothing changes
    EXPECT_EQ(device.GetState(), DeviceClosed);
    const uint64_t before = platform::HeapAllocations();
    OutputParams p = Params();
    ASSERT_EQ(device.Open(p), 1);
    EXPECT_EQ(platform::HeapAllocations(), before + 9);  // a block and two buffers each

    const std::vector<uint8_t> block = Frames(1, 384);
    device.Write(block.data(), static_cast<uint32_t>(block.size()));
    device.Write(block.data(), static_cast<uint32_t>(block.size()));
    Switch(0);
    Switch(1);
    EXPECT_EQ(device.Pause(1), PauseDone);
    EXPECT_EQ(device.GetState(), DevicePaused);
    EXPECT_EQ(list.log.back(), "stop");
    device.Reset(5000);
    EXPECT_EQ(device.GetPosition(), 5000);
    EXPECT_EQ(device.GetState(), DevicePaused);
    EXPECT_EQ(Driver().Half(0, 1), std::vector<uint8_t>(128, 0));
    EXPECT_EQ(device.Write(block.data(), 0), WriteDrained);
    EXPECT_EQ(device.Pause(0), PauseDone);
    EXPECT_EQ(list.log.back(), "start");

    // After the seek the ring starts over from its first block, counted from the new base.
    const std::vector<uint8_t> after = Frames(7000, 384);
    device.Write(after.data(), static_cast<uint32_t>(after.size()));
    Switch(0);
    EXPECT_EQ(Sample(Driver().Half(0, 0), 0), 7000);
    Switch(1);
    EXPECT_EQ(device.GetPosition(), 5064);

    device.Close();
    EXPECT_EQ(device.GetState(), DeviceClosed);
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
    // A second run opens afresh.
    ASSERT_EQ(device.Open(p), 1);
    EXPECT_EQ(device.GetPosition(), 0);
}

TEST_F(AsioOutTest, BlockSizeIsWholeDriverBuffers) {
    struct Case {
        int32_t bufferTime, bufferSize, expectedFrames;
    };
    // 10 ms is 441 frames: 6 buffers of 64, 1 of 256; shorter than a buffer gives one.
    for (Case c : {Case{10, 64, 384}, Case{10, 256, 256}, Case{1, 64, 64}, Case{0, 512, 512}, Case{1000, 512, 44032}}) {
        list.entries[0].config.bufferSize = c.bufferSize;
        OutputParams p = Params();
        p.bufferTime = c.bufferTime;
        ASSERT_EQ(device.Open(p), 1);
        EXPECT_EQ(device.GetBlockBytes(), c.expectedFrames * 4) << c.bufferTime << " ms, " << c.bufferSize;
        device.Close();
    }
    for (int32_t blocks : {0, 33}) {
        OutputParams p = Params();
        p.blockCount = blocks;
        EXPECT_EQ(device.Open(p), 0) << blocks;
        device.Close();
    }
}

TEST_F(AsioOutTest, SampleRateIsSetToTheStreamAndZeroFallsBackTo44100) {
    list.entries[0].config.rate = 0;
    OutputParams p = Params();
    p.sampleRate = 48000;
    ASSERT_EQ(device.Open(p), 1);
    // The rate set before init is lost with the driver loaded again; the fresh one reports 0.
    EXPECT_EQ(list.log, (std::vector<std::string>{"create Loop", "getSampleRate", "setSampleRate 48000", "release Loop",
                                                  "create Loop", "init", "getChannels", "getBufferSize",
                                                  "getSampleRate", "setSampleRate 44100", "getSampleRate",
                                                  "createBuffers 0,1", "start"}));
    EXPECT_EQ(Driver().Rate(), 44100);
}

TEST_F(AsioOutTest, MisbehavingSwitchesAndPlainSwitchesAreHandled) {
    OutputParams p = Params();
    ASSERT_EQ(device.Open(p), 1);
    const std::vector<uint8_t> block = Frames(1, 384);
    device.Write(block.data(), static_cast<uint32_t>(block.size()));
    ASIOTime time{};
    CAsioHost& host = CAsioHost::Instance();
    host.callbacks.bufferSwitchTimeInfo(&time, 2, 1);
    host.callbacks.bufferSwitchTimeInfo(&time, -1, 1);
    host.callbacks.bufferSwitchTimeInfo(nullptr, 0, 1);
    EXPECT_EQ(Sample(Driver().Half(0, 0), 0), 1);
    Driver().Switch(1, false);
    EXPECT_EQ(Sample(Driver().Half(0, 1), 0), 65);
    EXPECT_EQ(host.lastTime.timeInfo.flags, AsioSystemTimeValid | AsioSamplePositionValid);
    EXPECT_EQ(AsioToInt64(host.lastTime.timeInfo.samplePosition), 64);
    EXPECT_EQ(device.GetPosition(), 64);

    for (auto [selector, value, answer] : {std::tuple{1, 2, 1}, {1, 4, 0}, {1, 7, 1}, {1, 10, 1}, {1, 9, 0}, {2, 0, 2},
                                           {3, 0, 1}, {4, 0, 0}, {7, 0, 1}, {8, 0, 0}, {99, 0, 0}})
        EXPECT_EQ(host.callbacks.asioMessage(selector, value, nullptr, nullptr), answer) << selector << "/" << value;
}

TEST_F(AsioOutTest, EightBitAndWideSourcesReachTheDriverConverted) {
    list.entries[0].config.sampleType = AsioInt24Lsb;
    OutputParams p = Params(8, 1);
    ASSERT_EQ(device.Open(p), 1);
    const std::vector<uint8_t> bytes = {0x80, 0xFF, 0x00};
    device.Write(bytes.data(), 3);
    Switch(0);
    const std::vector<uint8_t> half = Driver().Half(1, 0);
    EXPECT_EQ(std::vector<uint8_t>(half.begin(), half.begin() + 12),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0x7F, 0, 0, 0x80, 0, 0, 0}));
    device.Close();

    // 24-bit source at 16-bit resolution: what the reduction predicts, then converted.
    p = Params(24);
    p.resolution = 16;
    p.ditherType = DitherTriangle;
    ASSERT_EQ(device.Open(p), 1);
    std::vector<uint8_t> source;
    for (int i = 0; i < 2 * 64; ++i)
        for (int b = 0; b < 3; ++b) source.push_back(static_cast<uint8_t>((i * 0x2A5F3 + 0x1234) >> (8 * b)));
    std::vector<uint8_t> reduced(source.size());
    CTriangleNoise saved = ProcessTriangleNoise();
    CSampleReducer reducer;
    reducer.Setup(2, 3, 16, DitherTriangle);
    reducer.KeepWidth(source.data(), reduced.data(), 64);
    ProcessTriangleNoise() = saved;
    device.Write(source.data(), static_cast<uint32_t>(source.size()));
    Switch(0);
    const std::vector<uint8_t> left = Driver().Half(0, 0);
    for (int f = 0; f < 64; ++f)
        ASSERT_EQ(0, std::memcmp(&left[3 * f], &reduced[6 * f], 3)) << "frame " << f;
}

TEST_F(AsioOutTest, LoadingByNameRestoresThePreviousDriverOnFailure) {
    CAsioHost& host = CAsioHost::Instance();
    list.entries.push_back({"Broken", {}, false});
    list.entries.push_back({std::string(32, 'N'), {}, true});
    ASSERT_TRUE(host.LoadDriver("Loop"));
    EXPECT_FALSE(host.LoadDriver("Broken"));
    EXPECT_EQ(list.log, (std::vector<std::string>{"create Loop", "release Loop", "create Broken", "create Loop"}));
    EXPECT_FALSE(host.LoadDriver(std::string(32, 'N')));
    EXPECT_TRUE(host.LoadDriver("Loop"));  // the current one is created again
    EXPECT_EQ(list.log.back(), "create Loop");

    // A driver that refuses init is released and keeps its message.
    list.entries[1].config.init = 0;
    ASSERT_TRUE(host.LoadDriver("Other"));
    EXPECT_EQ(host.Init(), AsioNotPresent);
    EXPECT_STREQ(host.driver.info.errorMessage, "scripted init failure");
    EXPECT_EQ(list.log.back(), "release Other");
    int32_t in = 5, out = 5;
    EXPECT_EQ(host.GetChannels(in, out), AsioNotPresent);
    EXPECT_EQ(in + out, 0);
}

TEST_F(AsioOutTest, ChannelNamesAndControlPanelComeFromTheNamedDriver) {
    std::vector<std::wstring> names;
    ASSERT_TRUE(CAsioOut::ReadChannelNames(L"Other", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Out 1", L"Out 2", L"Out 3", L"Out 4"}));
    EXPECT_FALSE(CAsioOut::ReadChannelNames(L"Missing", names));
    CAsioOut::ShowControlPanel(L"Other");
    EXPECT_EQ(list.log.back(), "release Other");
    EXPECT_EQ(list.log[list.log.size() - 2], "controlPanel");

    OutputParams p = Params();
    ASSERT_EQ(device.Open(p), 1);
    EXPECT_FALSE(CAsioOut::ReadChannelNames(L"Other", names));
    CAsioOut::ShowControlPanel(L"Other");  // the running driver's panel
    EXPECT_EQ(list.log.back(), "controlPanel");
}

// The driver's thread and the engine's thread share only the ring: every block written is
// played once, in order, however the two interleave.
TEST_F(AsioOutTest, DriverThreadPlaysEveryBlockTheEngineThreadWrites) {
    OutputParams p = Params();
    ASSERT_EQ(device.Open(p), 1);
    std::atomic<bool> stop{false};
    std::vector<int16_t> heard;
    std::thread driverThread([&] {
        for (int index = 0; !stop.load(); index ^= 1) {
            Switch(index);
            const std::vector<uint8_t> half = Driver().Half(0, index);
            for (int f = 0; f < 64; ++f) heard.push_back(Sample(half, f));
            std::this_thread::yield();
        }
    });
    const std::vector<uint8_t> all = Frames(1, 384 * 20);
    for (size_t at = 0; at < all.size();) {
        const int taken = device.Write(all.data() + at, 384 * 4);
        ASSERT_GE(taken, 0);
        at += static_cast<size_t>(taken);
    }
    while (device.Write(all.data(), 0) != WriteDrained) {
    }
    stop.store(true);
    driverThread.join();
    std::vector<int16_t> played;
    for (int16_t s : heard)
        if (s != 0) played.push_back(s);
    ASSERT_EQ(played.size(), 384u * 20);
    for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], static_cast<int16_t>(i + 1)) << i;
}
