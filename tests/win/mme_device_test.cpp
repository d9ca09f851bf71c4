// The MME device over Wine's real wave-out (the bench's null sink is the sound card).
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "output/win32/WinMMEOut.h"
#include "platform/Heap.h"

namespace {

OutputParams Params(int32_t selection, int32_t bits, int32_t tag = 1) {
    OutputParams params;
    params.selection = selection;
    params.sampleRate = 44100;
    params.channels = 2;
    params.bitsPerSample = bits;
    params.formatTag = tag;
    params.bufferTime = 100;
    params.blockCount = 2;
    return params;
}

// Frames of one 100 ms block at 44100 Hz.
constexpr int kBlockFrames = 4410;

}  // namespace

TEST(MmeDevice, StoredNameThatIsGoneFallsBackToTheWaveMapper) {
    CWinMMEOut device;
    int32_t id = 0;
    OutputParams params = Params(id, 16);
    params.deviceName = L"取り外されたデバイス";
    ASSERT_EQ(device.Open(params), 1);
    EXPECT_EQ(params.selection, -1);
    EXPECT_EQ(params.deviceName, L"WAVE_MAPPER");
    device.Close();

    // A device whose id moved is found again by its name.
    const std::vector<std::wstring> devices = CWinMMEOut::RebuildDeviceList();
    ASSERT_FALSE(devices.empty());
    id = 7;
    params = Params(id, 16);
    params.deviceName = devices[0];
    ASSERT_EQ(device.Open(params), 1);
    EXPECT_EQ(params.selection, 0);
    EXPECT_EQ(params.deviceName, devices[0]);
    device.Close();

    // The wave mapper is opened without a name check.
    id = -1;
    params = Params(id, 16);
    params.deviceName = L"anything";
    ASSERT_EQ(device.Open(params), 1);
    EXPECT_EQ(params.deviceName, L"anything");
    device.Close();
}

// Extensible files give more than two channels too.
TEST(MmeDevice, OnlyWideIntegerPcmIsOpenedAt16Bits) {
    CWinMMEOut device;
    int32_t id = -1;
    struct Case {
        int32_t bits, tag, openedBits, channels;
    };
    for (Case c : {Case{24, 1, 16, 2}, Case{32, 1, 16, 2}, Case{16, 1, 16, 2}, Case{8, 1, 8, 2}, Case{32, 3, 32, 2},
                   Case{16, 1, 16, 6}, Case{24, 1, 16, 6}, Case{32, 3, 32, 6}}) {
        OutputParams params = Params(id, c.bits, c.tag);
        params.channels = c.channels;
        ASSERT_EQ(device.Open(params), 1) << c.bits << " bits, tag " << c.tag << ", " << c.channels << " channels";
        EXPECT_EQ(params.bitsPerSample, c.openedBits) << c.bits << " bits, tag " << c.tag;
        EXPECT_EQ(device.GetBlockBytes(), kBlockFrames * c.channels * (c.bits / 8));
        device.Close();
    }
}

TEST(MmeDevice, RefusesRingsOutsideItsLimitsWithoutAllocating) {
    CWinMMEOut device;
    int32_t id = -1;
    const uint64_t before = platform::HeapAllocations();
    for (auto [time, blocks] : {std::pair{49, 4}, std::pair{2000, 1}, std::pair{2000, 33}, std::pair{INT32_MAX, 2}}) {
        OutputParams params = Params(id, 16);
        params.bufferTime = time;
        params.blockCount = blocks;
        EXPECT_EQ(device.Open(params), 0) << time << " ms, " << blocks << " blocks";
    }
    EXPECT_EQ(platform::HeapAllocations(), before);

    OutputParams params = Params(id, 24);
    params.blockCount = 32;
    ASSERT_EQ(device.Open(params), 1);
    EXPECT_EQ(platform::HeapAllocations(), before + 64);  // a header and a buffer per block
    device.Close();
}

// Paused, the driver holds every block, so the ring's counting can be seen exactly.
TEST(MmeDevice, WriteFillsTheRingAndResetEmptiesIt) {
    CWinMMEOut device;
    int32_t id = -1;
    OutputParams params = Params(id, 24);
    params.ditherType = DitherTriangle;
    ASSERT_EQ(device.Open(params), 1);
    EXPECT_EQ(device.GetState(), DeviceOpen);
    EXPECT_EQ(device.GetPosition(), 0);
    ASSERT_EQ(device.Pause(1), PauseDone);
    EXPECT_EQ(device.GetState(), DevicePaused);

    std::vector<uint8_t> data(device.GetBlockBytes() * 2, 0x11);
    const uint32_t more = static_cast<uint32_t>(data.size());
    EXPECT_EQ(device.Write(data.data(), 0), WriteDrained);
    const uint64_t allocations = platform::HeapAllocations();
    EXPECT_EQ(device.Write(data.data(), more), device.GetBlockBytes());
    EXPECT_EQ(device.Write(data.data(), 0), WriteFull);
    EXPECT_EQ(device.Write(data.data(), 7), 7);  // taken whole; only its whole frame plays
    EXPECT_EQ(device.Write(data.data(), more), WriteFull);
    EXPECT_EQ(platform::HeapAllocations(), allocations);

    device.Reset(12345);
    EXPECT_EQ(device.GetPosition(), 12345);
    EXPECT_EQ(device.GetState(), DevicePaused);
    EXPECT_EQ(device.Write(data.data(), 0), WriteDrained);
    EXPECT_EQ(device.Pause(0), PauseDone);
    EXPECT_EQ(device.GetState(), DeviceOpen);

    device.Close();
    EXPECT_EQ(device.GetState(), DeviceClosed);
    EXPECT_EQ(device.GetPosition(), 12345);
}

// A reset hands the queued blocks back, each with its WOM_DONE, which may come after
// waveOutReset has returned: the ring writes a block again only once it is back, so it
// never refuses one (a header still queued) nor loses count. Resets meet blocks at every
// stage of playing; paused, the driver holds all of them.
TEST(MmeDevice, ResetsWithBlocksOutLoseNoCountAndReuseNoHeldBlock) {
    for (bool paused : {true, false}) {
        SCOPED_TRACE(paused ? "paused" : "playing");
        CWinMMEOut device;
        int32_t id = -1;
        OutputParams params = Params(id, 16);
        params.bufferTime = 50;
        params.blockCount = 4;
        ASSERT_EQ(device.Open(params), 1);
        ASSERT_EQ(device.Pause(paused ? 1 : 0), PauseDone);
        const std::vector<uint8_t> data(static_cast<size_t>(device.GetBlockBytes()), 0x21);
        const uint32_t bytes = static_cast<uint32_t>(data.size());
        auto fill = [&] {
            int taken = 0;
            for (int r; (r = device.Write(data.data(), bytes)) != WriteFull; ++taken) EXPECT_EQ(r, device.GetBlockBytes());
            return taken;
        };
        for (int reset = 0; reset < 12; ++reset) {
            const int taken = fill();
            if (paused) {
                EXPECT_EQ(taken, 4);
            } else {
                Sleep(static_cast<DWORD>(5 * reset));
            }
            device.Reset(1000);
        }
        const int after = fill();
        if (paused) {
            EXPECT_EQ(after, 4) << "every block is back after the reset";
        } else {
            EXPECT_LE(after, 4);  // one the device thread was handing back may come a little later
        }
        EXPECT_EQ(device.Pause(0), PauseDone);
        int result = WriteFull;
        for (int i = 0; i < 1000 && result == WriteFull; ++i) {
            result = device.Write(data.data(), 0);
            if (result == WriteFull) Sleep(10);
        }
        EXPECT_EQ(result, WriteDrained);
        EXPECT_EQ(device.GetPosition(), 1000 + after * device.GetBlockBytes() / 4);
        device.Close();
    }
}

// The engine forwards a pause to the device it used last, even after that run closed it.
TEST(MmeDevice, PauseWhileClosedDoesNotHoldTheNextStream) {
    CWinMMEOut device;
    int32_t id = -1;
    device.Pause(1);
    OutputParams params = Params(id, 16);
    ASSERT_EQ(device.Open(params), 1);
    EXPECT_EQ(device.GetState(), DeviceOpen);
    device.Close();
}

TEST(MmeDevice, PlaysEveryBlockOutThenReportsDrained) {
    CWinMMEOut device;
    int32_t id = -1;
    OutputParams params = Params(id, 16);
    ASSERT_EQ(device.Open(params), 1);
    std::vector<uint8_t> data(device.GetBlockBytes(), 0);
    int written = 0;
    while (written < 3) {
        int r = device.Write(data.data(), static_cast<uint32_t>(data.size()));
        ASSERT_GE(r, 0);
        if (r > 0) {
            ++written;
        } else {
            Sleep(10);
        }
    }
    int result = WriteFull;
    for (int i = 0; i < 1000 && result == WriteFull; ++i) {
        result = device.Write(data.data(), 0);
        if (result == WriteFull) Sleep(10);
    }
    EXPECT_EQ(result, WriteDrained);
    EXPECT_GE(device.GetPosition(), 3 * kBlockFrames);
    device.Close();
}

// 12-bit PCM opens, and its device frame (channels x 12 / 8 bytes) is longer than the
// source frame the engine reads (channels x 1 byte): a block comes from the bytes given.
TEST(MmeDevice, ABlockOfAWidthInPartBytesReadsOnlyTheBytesGiven) {
    CWinMMEOut device;
    int32_t id = -1;
    OutputParams params = Params(id, 12);
    ASSERT_EQ(device.Open(params), 1);
    const uint32_t bytes = static_cast<uint32_t>(device.GetBlockBytes());
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize, span = (bytes + page - 1) / page * page;
    auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(base, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(base + span, page, PAGE_NOACCESS, &old));  // just past the block
    EXPECT_EQ(device.Write(base + span - bytes, bytes), static_cast<int>(bytes));
    device.Close();
    VirtualFree(base, 0, MEM_RELEASE);
}
