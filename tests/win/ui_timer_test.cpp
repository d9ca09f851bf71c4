// CTimer against the real multimedia timer: ticks come on another thread with the id.
#include <gtest/gtest.h>

#include "high_memory.h"
#include "ui/Timer.h"

namespace {

constexpr UINT kTick = WM_APP + 40;

void CALLBACK PostTick(UINT id, UINT, DWORD_PTR thread, DWORD_PTR, DWORD_PTR) {
    ::PostThreadMessageW(static_cast<DWORD>(thread), kTick, id, ::GetCurrentThreadId());
}

// The next tick, or false when none came for a long while (the test then fails).
bool NextTick(MSG& msg) {
    for (int i = 0; i < 100; ++i) {
        if (::PeekMessageW(&msg, nullptr, kTick, kTick, PM_REMOVE)) return true;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
    }
    return false;
}

TEST(UiTimer, TicksCarryTheIdAndComeFromAnotherThreadUntilStopped) {
    CTimer timer(PostTick, ::GetCurrentThreadId(), 10);
    EXPECT_FALSE(timer.IsRunning());
    ASSERT_TRUE(timer.Start(20));
    UINT first = timer.Id();
    MSG msg{};
    ASSERT_TRUE(NextTick(msg));
    EXPECT_EQ(msg.wParam, first);
    EXPECT_NE(static_cast<DWORD>(msg.lParam), ::GetCurrentThreadId());

    // A restart is a new timer; its ticks are told apart from the old one's by the id.
    ASSERT_TRUE(timer.Start(20));
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(timer.Stop());
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(timer.Id(), 0u);
    // Stopping a stopped timer is harmless.
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
}

// The user data comes back whole: the tray and the cue list pass their object's address.
struct TickTarget {
    DWORD thread = ::GetCurrentThreadId();
};

void CALLBACK PostUserData(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* target = reinterpret_cast<TickTarget*>(user);
    ::PostThreadMessageW(target->thread, kTick, 0, static_cast<LPARAM>(user));
}

TEST(UiTimer, UserDataAboveFourGiBReachesTheCallbackWhole) {
    HighPlaced<TickTarget> target;
    ASSERT_TRUE(target.AboveFourGiB()) << target.get();
    CTimer timer(PostUserData, reinterpret_cast<DWORD_PTR>(target.get()), 10);
    ASSERT_TRUE(timer.Start(20));
    MSG msg{};
    ASSERT_TRUE(NextTick(msg));
    timer.Stop();
    EXPECT_EQ(reinterpret_cast<TickTarget*>(msg.lParam), target.get());
}

}  // namespace
