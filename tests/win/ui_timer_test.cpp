// CTimer against the real multimedia timer: each tick is posted to the window with the id.
#include <gtest/gtest.h>

#include "high_memory.h"
#include "ui/Timer.h"

namespace {

constexpr UINT kTick = WM_APP + 40;

class UiTimer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_window, nullptr); }
    void TearDown() override { ::DestroyWindow(m_window); }

    // The next tick, or false when none came for a long while (the test then fails).
    bool NextTick(MSG& msg) {
        for (int i = 0; i < 100; ++i) {
            if (::PeekMessageW(&msg, m_window, kTick, kTick, PM_REMOVE)) return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
        }
        return false;
    }

    HWND m_window = ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
};

TEST_F(UiTimer, TicksCarryTheRunningTimersIdUntilStopped) {
    CTimer timer(kTick, 10);
    EXPECT_FALSE(timer.IsRunning());
    ASSERT_TRUE(timer.Start(m_window, 20));
    MSG msg{};
    ASSERT_TRUE(NextTick(msg));
    EXPECT_TRUE(timer.IsTick(msg.wParam));
    const WPARAM first = msg.wParam;

    // A restart is a new timer; the old one's ticks still queued are told apart by the id.
    ASSERT_TRUE(timer.Start(m_window, 20));
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_FALSE(timer.IsTick(first));
    ASSERT_TRUE(NextTick(msg));
    while (msg.wParam == first) ASSERT_TRUE(NextTick(msg));
    EXPECT_TRUE(timer.IsTick(msg.wParam));

    EXPECT_TRUE(timer.Stop());
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_FALSE(timer.IsTick(msg.wParam));
    // Stopping a stopped timer is harmless.
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
}

// The timer hands its own address through the callback's user data, which must come back
// whole.
TEST_F(UiTimer, TimerAboveFourGiBStillTicks) {
    HighPlaced<CTimer> timer(kTick, 10);
    ASSERT_TRUE(timer.AboveFourGiB()) << timer.get();
    ASSERT_TRUE(timer->Start(m_window, 20));
    MSG msg{};
    ASSERT_TRUE(NextTick(msg));
    EXPECT_TRUE(timer->IsTick(msg.wParam));
    timer->Stop();
}

}  // namespace
