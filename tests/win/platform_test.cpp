// The Win32 half of the platform layer against the real API.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstring>

#include "engine/PlayerCore.h"
#include "platform/File.h"
#include "platform/Library.h"
#include "platform/Notify.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "platform/Time.h"

namespace {
std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}
}  // namespace

TEST(Win32File, WidePathShareModesAndSeekBeyondFourGiB) {
    const std::wstring path = TempPath(L"オルヴェイン 試験.bin");
    platform::File out;
    ASSERT_TRUE(out.Create(path));
    ASSERT_TRUE(out.Write("0123456789", 10));
    out.Close();

    platform::File shared, second;
    ASSERT_TRUE(shared.OpenRead(path, platform::FileShare::Read));
    EXPECT_TRUE(second.OpenRead(path, platform::FileShare::Read)) << "readers share the file";
    second.Close();
    platform::File exclusive;
    EXPECT_FALSE(exclusive.OpenRead(path, platform::FileShare::None)) << "a shared reader holds it";
    shared.Close();
    ASSERT_TRUE(exclusive.OpenRead(path, platform::FileShare::None));
    EXPECT_FALSE(second.OpenRead(path, platform::FileShare::Read)) << "an exclusive reader holds it";

    char buffer[4] = {};
    ASSERT_TRUE(exclusive.Seek(6));
    EXPECT_EQ(exclusive.Read(buffer, 4), 4);
    EXPECT_EQ(std::memcmp(buffer, "6789", 4), 0);
    const int64_t beyond4GiB = (int64_t{1} << 32) + 5;
    ASSERT_TRUE(exclusive.Seek(beyond4GiB));
    EXPECT_EQ(exclusive.Tell(), beyond4GiB);
    EXPECT_EQ(exclusive.Size(), 10);
    exclusive.Close();
    EXPECT_TRUE(platform::File::Exists(path));
    DeleteFileW(path.c_str());
    EXPECT_FALSE(platform::File::Exists(path));
}

// With 16-bit characters a pair of surrogates is one character; a lone one is none.
TEST(Win32Text, WideToUtf8JoinsSurrogatePairs) {
    EXPECT_EQ(platform::WideToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(platform::WideToUtf8(L"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(platform::WideToUtf8(L"\xD83Dx"), "\xEF\xBF\xBDx");
}

TEST(Win32Library, LoadsASystemLibraryAndFindsItsExports) {
    platform::Library library;
    EXPECT_FALSE(library.Load(L"orvane-missing.dll"));
    ASSERT_TRUE(library.Load(L"kernel32.dll"));
    EXPECT_NE(library.Symbol("GetTickCount"), nullptr);
    EXPECT_EQ(library.Symbol("NoSuchExport"), nullptr);
}

namespace {
struct PriorityProbe {
    std::atomic<int> go{0};
    std::atomic<int> seen{-100};
    std::atomic<long> com{E_FAIL};  // CoInitializeEx's answer on the thread
};

unsigned ReadPriority(void* arg) {
    auto* probe = static_cast<PriorityProbe*>(arg);
    while (!probe->go.load()) Sleep(1);
    probe->seen = GetThreadPriority(GetCurrentThread());
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(com)) CoUninitialize();
    probe->com = com;
    return 0;
}
}  // namespace

// The engine's worker calls ASIO drivers and the Windows Media runtime, COM objects that
// may need COM on their caller's thread.
TEST(Win32Thread, RunsAtTheRequestedPriorityInTheMultithreadedApartment) {
    PriorityProbe probe;
    platform::Thread thread;
    ASSERT_TRUE(thread.Start(ReadPriority, &probe));
    EXPECT_TRUE(thread.SetPriority(platform::ThreadPriorityHighest));
    probe.go = 1;
    thread.Join();
    EXPECT_EQ(probe.seen.load(), THREAD_PRIORITY_HIGHEST);
    EXPECT_EQ(probe.com.load(), S_FALSE) << "already initialised, multithreaded";
    EXPECT_FALSE(thread.IsValid());
}

namespace {
std::atomic<int> g_playerEnds{0};
std::atomic<WPARAM> g_endedRun{0};

LRESULT CALLBACK CountPlayerEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PLAYER_END) {
        g_endedRun = wParam;
        ++g_playerEnds;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

TEST(Win32Notify, PlayerEndReachesTheWindowFromAnotherThread) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountPlayerEnd;
    windowClass.lpszClassName = L"OrvaneNotifyProbe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(window, nullptr);
    platform::Thread sender;
    ASSERT_TRUE(sender.Start(
        [](void* target) -> unsigned {
            platform::SendNotify(target, WM_PLAYER_END, 7);
            return 0;
        },
        window));
    sender.Join();  // SendNotifyMessageW to another thread's window does not wait for it
    EXPECT_EQ(g_playerEnds.load(), 0) << "handled on the window's own thread only";
    MSG msg;
    uint32_t start = platform::TickMs();
    while (g_playerEnds.load() == 0 && platform::TickMs() - start < 5000) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (g_playerEnds.load() == 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    EXPECT_EQ(g_playerEnds.load(), 1);
    EXPECT_EQ(g_endedRun.load(), 7u) << "the run's number in wParam";
    DestroyWindow(window);
}
