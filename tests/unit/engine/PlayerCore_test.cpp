#include "engine/PlayerCore.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "output/AsioHost.h"
#include "output/AsioOut.h"
#include "platform/Heap.h"
#include "support/native/AllocationCounter.h"
#include "support/native/ScriptedAsioDriver.h"
#include "support/native/ScriptedReader.h"
#include "support/native/TestDevice.h"

namespace {

constexpr int32_t kRate = 8000;
constexpr int kBlockFrames = 400;  // 50 ms blocks at 8 kHz
constexpr int kJogFrames = kRate / 5;
// Off the block grid, so normal play never writes a block that starts there.
constexpr uint32_t kOffGrid = 7;

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The engine with a scripted reader behind every supported extension and the test device
// behind both outputs.
class TestCore : public CPlayerCore {
public:
    TestCore(AppSettings& settings, CAudioFile& reader, CAudioDevice& device)
        : CPlayerCore(settings), m_reader(reader), m_device(device) {}

protected:
    CAudioFile* ReaderFor(const std::wstring& path) override {
        return CReaderSet::IsSupportedFile(path) ? &m_reader : nullptr;
    }
    CAudioDevice* DeviceFor(int32_t) override { return &m_device; }

private:
    CAudioFile& m_reader;
    CAudioDevice& m_device;
};

class EndSink : public platform::NotifySink {
public:
    explicit EndSink(TestDevice* device = nullptr) : m_device(device) {}
    void OnNotify(uint32_t message, uintptr_t run) override {
        if (message != WM_PLAYER_END) return;
        if (m_device) playedAtEnd.store(m_device->PlayedCount());
        lastRun.store(run);
        ++ends;
    }
    std::atomic<int> ends{0};
    std::atomic<size_t> playedAtEnd{0};
    std::atomic<uintptr_t> lastRun{0};

private:
    TestDevice* m_device;
};

struct Rig {
    explicit Rig(uint32_t frames) : reader(frames, kRate), core(settings, reader, device) {
        settings.BufferTime = 50;
        settings.BufferBlocks = 4;
        core.SetFilePath(L"C:\\music\\test.wav");
    }
    ~Rig() { core.Stop(); }
    bool Play() { return core.Play(static_cast<platform::NotifySink*>(&sink)); }
    size_t WritesAt(uint32_t firstFrame) {
        size_t n = 0;
        for (const auto& w : device.Writes()) n += w.firstFrame == firstFrame;
        return n;
    }

    AppSettings settings;
    ScriptedReader reader;
    TestDevice device;
    EndSink sink{&device};
    TestCore core;
};

// True when frames run up by one from `from`, for `count` frames, starting at index `at`.
bool RunsUpFrom(const std::vector<uint32_t>& frames, size_t at, uint32_t from, size_t count) {
    if (at + count > frames.size()) return false;
    for (size_t i = 0; i < count; ++i)
        if (frames[at + i] != from + i) return false;
    return true;
}

}  // namespace

TEST(PlayerCore, EndOfPlayIsReportedOnceAfterTheLastShortBlockHasPlayed) {
    const uint32_t frames = kBlockFrames * 3 + 123;
    Rig rig(frames);
    ASSERT_TRUE(rig.Play());
    EXPECT_EQ(rig.core.GetPlayState(), PlayPlaying);
    ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
    EXPECT_EQ(rig.sink.playedAtEnd.load(), frames);
    EXPECT_TRUE(RunsUpFrom(rig.device.Played(), 0, 0, frames));

    // Every read but the zero-byte one takes a quarter block at most.
    for (uint32_t size : rig.reader.ReadSizes()) EXPECT_LE(size, kBlockFrames * 4u / 4);
    auto writes = rig.device.Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes.back().bytes, 123u * 4);

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rig.sink.ends.load(), 1);
    // The run ended by itself; the play state stays until the owner stops it.
    EXPECT_EQ(rig.core.GetPlayState(), PlayPlaying);
}

// Each end of play names its run; once that run is stopped or another has started, an end
// still on its way is recognised as late.
TEST(PlayerCore, StopAfterEndOfPlayJoinsAndClosesAndPlayWorksAgain) {
    Rig rig(kBlockFrames * 2);
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
    const uintptr_t first = rig.sink.lastRun.load();
    EXPECT_TRUE(rig.core.IsCurrentRun(first));
    EXPECT_TRUE(rig.core.Stop());
    EXPECT_FALSE(rig.core.IsCurrentRun(first));
    EXPECT_FALSE(rig.core.IsRunning());
    EXPECT_FALSE(rig.reader.IsOpen());
    EXPECT_EQ(rig.device.closes.load(), 1);
    EXPECT_EQ(rig.core.GetPlayState(), PlayStopped);

    ASSERT_TRUE(rig.Play());
    EXPECT_FALSE(rig.core.IsCurrentRun(first));
    ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 2; }));
    const uintptr_t second = rig.sink.lastRun.load();
    EXPECT_NE(second, first);
    EXPECT_TRUE(rig.core.IsCurrentRun(second));
    EXPECT_FALSE(rig.core.IsCurrentRun(0));
    EXPECT_TRUE(RunsUpFrom(rig.device.Played(), 0, 0, kBlockFrames * 2));
    EXPECT_EQ(rig.reader.opens.load(), 2);
}

TEST(PlayerCore, EmptyFileEndsAfterOnePass) {
    Rig rig(0);
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
    EXPECT_TRUE(rig.device.Writes().empty());
    // The zero-byte read at thread start, then one chunk that finds nothing.
    EXPECT_EQ(rig.reader.ReadSizes(), (std::vector<uint32_t>{0, kBlockFrames}));
}

TEST(PlayerCore, SeekDuringAFillDropsThePartialBlockAndPlaysOnFromTheTarget) {
    Rig rig(kRate * 4);
    rig.reader.readDelayMs = 15;
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.Writes().size() >= 2; }));
    // Wait until the worker is inside the second chunk of a fill.
    ASSERT_TRUE(WaitFor([&] { return rig.reader.dataReads.load() % 4 == 2; }));
    const uint32_t target = kRate * 2 + kOffGrid;
    rig.core.Seek(static_cast<int32_t>(target));
    EXPECT_TRUE(rig.core.IsSeeking());
    ASSERT_TRUE(WaitFor([&] { return rig.WritesAt(target) == 1; }));

    // Before the seek, only whole consecutive blocks from the start; after it, the target.
    auto writes = rig.device.Writes();
    uint32_t expected = 0;
    size_t i = 0;
    for (; i < writes.size() && writes[i].resetsBefore == 0; ++i, expected += kBlockFrames) {
        EXPECT_EQ(writes[i].firstFrame, expected);
        EXPECT_EQ(writes[i].bytes, kBlockFrames * 4u);
    }
    ASSERT_LT(i, writes.size());
    EXPECT_EQ(writes[i].firstFrame, target);

    ASSERT_TRUE(WaitFor([&] {
        auto played = rig.device.Played();
        return !played.empty() && played.back() > target + 10;
    }));
    auto played = rig.device.Played();
    size_t jump = 1;
    while (jump < played.size() && played[jump] == played[jump - 1] + 1) ++jump;
    ASSERT_LT(jump, played.size());
    EXPECT_EQ(played[jump], target);
    EXPECT_LT(played[jump - 1], expected);
    EXPECT_TRUE(RunsUpFrom(played, jump, target, played.size() - jump));
}

// Paused before the seek, or while the seek step holds the device and the reader seeks:
// either way the player stays paused at the target.
TEST(PlayerCore, SeekWhilePausedStaysPausedAtTheTarget) {
    for (bool duringSeek : {false, true}) {
        SCOPED_TRACE(duringSeek ? "paused during the seek" : "paused before the seek");
        Rig rig(kRate * 5);
        ASSERT_TRUE(rig.Play());
        ASSERT_TRUE(WaitFor([&] { return rig.device.PlayedCount() > 0; }));
        const int32_t target = kRate * 3;
        if (duringSeek) {
            rig.reader.seekDelayMs = 100;
            rig.core.Seek(target);
            ASSERT_TRUE(WaitFor([&] { return rig.reader.inSeek.load() == 1; }));
        }
        EXPECT_EQ(rig.core.Pause(true), PauseDone);
        EXPECT_EQ(rig.core.GetPlayState(), PlayPaused);
        if (!duringSeek) rig.core.Seek(target);
        ASSERT_TRUE(WaitFor([&] { return rig.core.GetPosition() == target; }));
        ASSERT_TRUE(WaitFor([&] { return !rig.core.IsSeeking(); }));
        size_t playedWhilePaused = rig.device.PlayedCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(rig.core.GetDeviceState(), DevicePaused);
        EXPECT_EQ(rig.device.PlayedCount(), playedWhilePaused);
        EXPECT_EQ(rig.core.GetPosition(), target);

        rig.core.Pause(false);
        ASSERT_TRUE(WaitFor([&] { return rig.device.PlayedCount() > playedWhilePaused + 10; }));
        EXPECT_EQ(rig.device.Played()[playedWhilePaused], static_cast<uint32_t>(target));
    }
}

TEST(PlayerCore, SeekBeforePlayStartsAtTheTarget) {
    Rig rig(kRate * 2);
    const int32_t target = kRate;
    rig.core.Seek(target);
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.PlayedCount() > 0; }));
    EXPECT_EQ(rig.device.Writes().front().firstFrame, static_cast<uint32_t>(target));
    EXPECT_EQ(rig.device.Played().front(), static_cast<uint32_t>(target));
}

TEST(PlayerCore, JogReplaysTheSameFifthUntilMovedAndReleaseResumesAtTheTarget) {
    Rig rig(kRate * 6);
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.PlayedCount() > 0; }));
    const uint32_t jogAt = kRate * 2 + kOffGrid;
    rig.core.BeginJog(static_cast<int32_t>(jogAt));
    EXPECT_TRUE(rig.core.IsJogging());
    ASSERT_TRUE(WaitFor([&] { return rig.WritesAt(jogAt) >= 3; }));
    EXPECT_EQ(rig.core.GetJogLength(), kJogFrames);
    auto seeks = rig.reader.SeekTargets();
    EXPECT_EQ(std::count(seeks.begin(), seeks.end(), jogAt), 1) << "a held jog must not re-read";
    // One snippet is a fifth of a second, passed in whole blocks; the last replay may
    // still be under way.
    size_t starts = rig.WritesAt(jogAt), ends = rig.WritesAt(jogAt + kJogFrames - kBlockFrames);
    EXPECT_TRUE(ends == starts || ends + 1 == starts) << starts << " snippets, " << ends << " ends";
    EXPECT_EQ(rig.WritesAt(jogAt + kJogFrames), 0u);

    const uint32_t movedTo = kRate * 4 + kOffGrid;
    rig.core.SetJogPosition(static_cast<int32_t>(movedTo));
    ASSERT_TRUE(WaitFor([&] { return rig.WritesAt(movedTo) >= 1; }));
    seeks = rig.reader.SeekTargets();
    EXPECT_EQ(std::count(seeks.begin(), seeks.end(), movedTo), 1);

    const uint32_t resumeAt = kRate + kOffGrid;
    rig.core.EndJog(static_cast<int32_t>(resumeAt));
    EXPECT_FALSE(rig.core.IsJogging());
    ASSERT_TRUE(WaitFor([&] { return rig.WritesAt(resumeAt + kBlockFrames) >= 1; }));
    auto writes = rig.device.Writes();
    size_t i = writes.size() - 1;
    while (writes[i].firstFrame != resumeAt) --i;
    EXPECT_EQ(writes[i].bytes, kBlockFrames * 4u);
    EXPECT_EQ(writes[i + 1].firstFrame, resumeAt + kBlockFrames);
}

TEST(PlayerCore, JogBegunDuringAFillIsNotLost) {
    Rig rig(kRate * 6);
    rig.reader.readDelayMs = 15;
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.Writes().size() >= 1; }));
    ASSERT_TRUE(WaitFor([&] { return rig.reader.dataReads.load() % 4 == 2; }));
    const uint32_t jogAt = kRate * 3 + kOffGrid;
    rig.core.BeginJog(static_cast<int32_t>(jogAt));
    EXPECT_TRUE(WaitFor([&] { return rig.WritesAt(jogAt) >= 1; }));
}

TEST(PlayerCore, AJogWriteErrorEndsTheSnippetWithoutLosingItsPlace) {
    Rig rig(kRate * 2);
    const uint32_t jogAt = kRate / 2;
    rig.device.failNextWrites.store(1);
    rig.core.BeginJog(static_cast<int32_t>(jogAt));  // held while play starts
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.Writes().size() >= 2; }));
    auto writes = rig.device.Writes();
    EXPECT_EQ(writes[0].firstFrame, jogAt);
    EXPECT_EQ(writes[1].firstFrame, jogAt + kBlockFrames);
}

TEST(PlayerCore, AMarkerLeftByARunStoppedAfterASeekDoesNotStallTheNextRun) {
    Rig rig(kBlockFrames * 4);
    rig.reader.seekDelayMs = 100;
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.Writes().size() >= 1; }));
    rig.core.Seek(kBlockFrames);
    ASSERT_TRUE(WaitFor([&] { return rig.reader.inSeek.load() == 1; }));
    rig.core.Stop();  // the seek step finishes, then the run ends with the marker set
    EXPECT_TRUE(rig.core.IsSeeking());

    rig.reader.seekDelayMs = 0;
    ASSERT_TRUE(rig.Play());
    EXPECT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
}

// The device is given the chosen output's setting, and what it reports having used is
// stored there, opened or not; the other output's setting stays.
TEST(PlayerCore, TheSelectionTheDeviceUsedIsStoredInItsSetting) {
    for (int32_t output : {0, 1}) {
        for (bool opens : {true, false}) {
            SCOPED_TRACE(std::to_string(output) + (opens ? " opens" : " fails"));
            Rig rig(kBlockFrames);
            rig.settings.OutputDeviceSel = output;
            rig.settings.MmeDeviceID = 3;
            rig.settings.AsioOutputChannel = 2;
            rig.device.openSucceeds = opens;
            rig.device.selectionUsed = -1;
            EXPECT_EQ(rig.Play(), opens);
            EXPECT_EQ(rig.device.selectionGiven, output == 0 ? 3 : 2);
            EXPECT_EQ(rig.settings.MmeDeviceID, output == 0 ? -1 : 3);
            EXPECT_EQ(rig.settings.AsioOutputChannel, output == 0 ? 2 : -1);
        }
    }
}

// Jog ticked while stopped, and the Play it asks for fails: nothing opened stays open, and
// nothing asked for that run is left to the next one, which plays the file from its start.
TEST(PlayerCore, FailuresToStartLeaveNothingOpenAndNoJogBehind) {
    enum Failure { UnknownExtension, ReaderFails, DeviceFails };
    for (Failure failure : {UnknownExtension, ReaderFails, DeviceFails}) {
        SCOPED_TRACE(failure);
        Rig rig(kBlockFrames * 2);
        if (failure == UnknownExtension) rig.core.SetFilePath(L"C:\\music\\test.xyz");
        rig.reader.openSucceeds = failure != ReaderFails;
        rig.device.openSucceeds = failure != DeviceFails;
        rig.core.BeginJog(static_cast<int32_t>(kOffGrid));
        EXPECT_FALSE(rig.Play());
        EXPECT_EQ(rig.reader.opens.load(), failure == DeviceFails ? 1 : 0);
        EXPECT_FALSE(rig.reader.IsOpen());
        EXPECT_EQ(rig.device.opens.load(), 0);
        EXPECT_FALSE(rig.core.IsRunning());
        EXPECT_EQ(rig.core.GetPlayState(), PlayStopped);
        EXPECT_FALSE(rig.core.IsJogging());
        EXPECT_FALSE(rig.core.IsSeeking());
        if (failure != DeviceFails) {
            EXPECT_EQ(rig.core.GetPosition(), 0);
            EXPECT_EQ(rig.core.Pause(true), PauseFailed) << "no device was ever opened";
        }
        EXPECT_NE(rig.core.GetFormat(), nullptr);

        rig.core.SetFilePath(L"C:\\music\\test.wav");
        rig.reader.openSucceeds = rig.device.openSucceeds = true;
        ASSERT_TRUE(rig.Play());
        ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
        EXPECT_TRUE(RunsUpFrom(rig.device.Played(), 0, 0, kBlockFrames * 2));
    }
}

#ifndef ORVANE_SANITIZED
namespace {
pthread_attr_t g_defaultAttr;

// Makes every later thread creation fail by asking for an impossible stack.
void ForbidThreads() {
    pthread_getattr_default_np(&g_defaultAttr);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t{1} << (sizeof(size_t) * 8 - 2));
    pthread_setattr_default_np(&huge);
    pthread_attr_destroy(&huge);
}
}  // namespace

TEST(PlayerCore, AWorkerThatCannotStartFailsPlayAndClosesBoth) {
    Rig rig(kRate);
    rig.device.afterOpen = ForbidThreads;
    bool played = rig.Play();
    pthread_setattr_default_np(&g_defaultAttr);
    EXPECT_FALSE(played);
    EXPECT_FALSE(rig.reader.IsOpen());
    EXPECT_EQ(rig.device.closes.load(), 1);
    EXPECT_EQ(rig.core.GetPlayState(), PlayStopped);
}
#endif

TEST(PlayerCore, TheBlockAndJogBuffersAreTheOnlyAllocations) {
    Rig rig(kBlockFrames * 12);
    uint64_t heapBefore = platform::HeapAllocations();
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.device.PlayedCount() > 0; }));
    uint64_t newsBefore = AllocationCounter::Count();
    ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
    if (AllocationCounter::Enabled()) {
        EXPECT_EQ(AllocationCounter::Count(), newsBefore) << "something allocated per block";
    }
    EXPECT_EQ(platform::HeapAllocations() - heapBefore, 1u);
    rig.core.Stop();

    heapBefore = platform::HeapAllocations();
    rig.core.BeginJog(kBlockFrames);
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(WaitFor([&] { return rig.WritesAt(kBlockFrames) >= 3; }));
    EXPECT_EQ(platform::HeapAllocations() - heapBefore, 2u);
}

// ---- the engine on the ASIO device, the driver switching on its own thread ---------------

namespace {

enum class Act { Seek, SeekAndPause, Jog, MoveJog, EndJog, Pause, Resume };
struct Step {
    Act act;
    uint32_t frame;  // seek target or jog point; unused for pause and resume
};
struct AsioScript {
    const char* name;
    std::vector<Step> steps;
};

// Consecutive frame indices heard.
struct Stretch {
    uint32_t first, count;
};

// The engine, the ASIO device and a clocked scripted driver whose buffer switch runs on a
// thread of its own in real time, as a sound card's does.
struct AsioRig {
    explicit AsioRig(uint32_t frames) : reader(frames, kRate), core(settings, reader, device) {
        ScriptedAsioDriver::Config clocked;
        clocked.rate = kRate;
        clocked.clocked = true;
        list.entries = {{"Clocked", clocked, true}};
        CAsioHost::Instance().UseDriverList(&list);
        settings.BufferTime = 50;
        settings.BufferBlocks = 4;
        settings.OutputDeviceSel = 1;
        settings.AsioDriverString = L"Clocked";
        core.SetFilePath(L"C:\\music\\test.wav");
    }
    ~AsioRig() {
        core.Stop();
        CAsioHost::Instance().UseDriverList(nullptr);
    }
    bool Play() { return core.Play(static_cast<platform::NotifySink*>(&sink)); }
    // Paced by the driver's clock.
    bool WaitSwitches(int count) {
        const int until = list.heard.switches.load() + count;
        return WaitFor([&] { return list.heard.switches.load() >= until; });
    }
    // What the driver played, after the run was stopped: a frame's index is its left
    // sample and, above it, its right one; silence and frame 0 are left out. A run that
    // goes on where the one before it stopped (the ring ran dry between) is joined to it.
    std::vector<Stretch> Heard() const {
        std::vector<Stretch> stretches;
        const std::vector<uint8_t>& left = list.heard.channel[0];
        const std::vector<uint8_t>& right = list.heard.channel[1];
        for (size_t at = 0; at + 1 < left.size(); at += 2) {
            const uint32_t frame = (left[at] | left[at + 1] << 8) | uint32_t(right[at] | right[at + 1] << 8) << 16;
            if (frame == 0) continue;
            if (!stretches.empty() && stretches.back().first + stretches.back().count == frame)
                ++stretches.back().count;
            else
                stretches.push_back({frame, 1});
        }
        return stretches;
    }

    ScriptedAsioList list;
    AppSettings settings;
    ScriptedReader reader;
    CAsioOut device;
    EndSink sink;
    TestCore core;
};

void PrintTo(const AsioScript& script, std::ostream* out) { *out << script.name; }

class OnAsio : public ::testing::TestWithParam<AsioScript> {};

}  // namespace

// Seeks, jogs and pauses as the interface thread makes them while the driver's thread
// switches: nothing from before a reposition plays after it, every stretch heard starts
// where one was asked for, the file plays out from the last one and the position ends
// exactly at the file's end. Stretch under ThreadSanitizer too.
TEST_P(OnAsio, RepositionsPlayOnlyWhatWasAskedAndCountExactly) {
    constexpr uint32_t kFrames = kRate * 5;
    AsioRig rig(kFrames);
    std::vector<uint32_t> asked = {1};  // frame 0 is silence
    ASSERT_TRUE(rig.Play());
    ASSERT_TRUE(rig.WaitSwitches(20));
    for (const Step& step : GetParam().steps) {
        switch (step.act) {
            case Act::Seek: rig.core.Seek(static_cast<int32_t>(step.frame)); break;
            case Act::SeekAndPause:  // the pause meets the seek step under way
                rig.core.Seek(static_cast<int32_t>(step.frame));
                rig.core.Pause(true);
                break;
            case Act::Jog: rig.core.BeginJog(static_cast<int32_t>(step.frame)); break;
            case Act::MoveJog: rig.core.SetJogPosition(static_cast<int32_t>(step.frame)); break;
            case Act::EndJog: rig.core.EndJog(static_cast<int32_t>(step.frame)); break;
            case Act::Pause: rig.core.Pause(true); continue;
            case Act::Resume: rig.core.Pause(false); break;
        }
        if (step.act != Act::Resume) asked.push_back(step.frame);
        if (rig.core.GetPlayState() == PlayPaused) {
            ASSERT_TRUE(WaitFor([&] { return rig.core.GetPosition() == static_cast<int>(step.frame); }));
        } else {
            // Jog snippets take 25 switches: three of them, or a stretch after a seek.
            ASSERT_TRUE(rig.WaitSwitches(75));
        }
    }
    ASSERT_TRUE(WaitFor([&] { return rig.sink.ends.load() == 1; }));
    ASSERT_TRUE(rig.WaitSwitches(3));  // the last switch's frames count with the next one
    EXPECT_EQ(rig.core.GetPosition(), static_cast<int>(kFrames));
    rig.core.Stop();

    const std::vector<Stretch> heard = rig.Heard();
    ASSERT_FALSE(heard.empty());
    for (const Stretch& stretch : heard)
        EXPECT_NE(std::find(asked.begin(), asked.end(), stretch.first), asked.end())
            << "a stretch from " << stretch.first << " (" << stretch.count << " frames) was never asked for";
    EXPECT_EQ(heard.back().first, asked.back());
    EXPECT_EQ(heard.back().first + heard.back().count, kFrames);
}

INSTANTIATE_TEST_SUITE_P(
    PlayerCore, OnAsio,
    ::testing::Values(AsioScript{"Seeks", {{Act::Seek, kRate + kOffGrid}, {Act::Seek, kRate / 2 + kOffGrid},
                                           {Act::Seek, kRate * 4 + kOffGrid}}},
                      AsioScript{"Jog", {{Act::Jog, kRate + kOffGrid}, {Act::MoveJog, kRate * 2 + kOffGrid},
                                         {Act::MoveJog, kRate * 2 + 100 + kOffGrid}, {Act::EndJog, kRate * 4 + kOffGrid}}},
                      AsioScript{"PausedSeeks", {{Act::Pause, 0}, {Act::Seek, kRate * 2 + kOffGrid},
                                                 {Act::Resume, 0}, {Act::SeekAndPause, kRate * 3 + kOffGrid},
                                                 {Act::Resume, 0}, {Act::Pause, 0}, {Act::Seek, kRate * 4 + kOffGrid},
                                                 {Act::Resume, 0}}}),
    [](const ::testing::TestParamInfo<AsioScript>& info) { return std::string(info.param.name); });
