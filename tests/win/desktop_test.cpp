// The desktop the bench puts every program on: its size and a working tray.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

namespace {

TEST(BenchDesktop, IsTheVirtualDesktopWithATaskbar) {
    EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(768, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_NE(nullptr, FindWindowW(L"Shell_TrayWnd", nullptr));
}

TEST(BenchDesktop, TrayIconCanBeAddedChangedAndRemoved) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"tray owner", WS_POPUP, 0, 0, 1, 1, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, owner);
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = WM_APP;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, L"再生中", ARRAYSIZE(data.szTip));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    lstrcpynW(data.szTip, L"停止", ARRAYSIZE(data.szTip));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    // Gone means gone: changing a removed icon fails.
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    DestroyWindow(owner);
}

}  // namespace
