// The time edit control as a dialog uses it: texts in and out, keys, notifications to the
// parent and the clipboard, against real windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "timeview/win32/TimeEdit.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

namespace {

constexpr int kEditId = 1004;

class CParent : public CWindowImpl<CParent> {
public:
    static const wchar_t* GetWndClassName() { return L"OrvaneTimeEditTestParent"; }
    std::vector<WORD> codes;

    BEGIN_MSG_MAP(CParent)
        MESSAGE_HANDLER_EX(WM_COMMAND, OnCommand)
    END_MSG_MAP()

private:
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM) {
        if (LOWORD(wParam) == kEditId) codes.push_back(HIWORD(wParam));
        return 0;
    }
};

class TimeEditWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_module.Init(::GetModuleHandleW(nullptr));
        RegisterTimeEditClass(::GetModuleHandleW(nullptr));
        ASSERT_TRUE(parent.Create(nullptr, {0, 0, 300, 100}, L"", WS_OVERLAPPEDWINDOW));
        edit = ::CreateWindowExW(0, L"TimeEditClass", L"", WS_CHILD | WS_VISIBLE, 10, 10, 120, 24, parent,
                                 reinterpret_cast<HMENU>(kEditId), ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(edit);
        ::SendMessageW(edit, TEM_SETFORMAT, UnitMinutes, -1);
        ::SendMessageW(edit, EM_LIMITTEXT, 100, 0);
        parent.codes.clear();
    }
    void TearDown() override { parent.DestroyWindow(); }

    std::wstring Text(UINT msg = WM_GETTEXT, WPARAM size = 32) {
        wchar_t buffer[32] = L"";
        LRESULT n = ::SendMessageW(edit, msg, size, reinterpret_cast<LPARAM>(buffer));
        return n ? buffer : L"<none>";
    }
    void Keys(const std::vector<WPARAM>& keys) {
        for (WPARAM k : keys) ::SendMessageW(edit, WM_KEYDOWN, k, 0);
    }
    void Control(bool down) {
        BYTE state[256];
        ::GetKeyboardState(state);
        state[VK_CONTROL] = down ? 0x80 : 0;
        ::SetKeyboardState(state);
    }

    CParent parent;
    HWND edit = nullptr;
};

TEST_F(TimeEditWindow, TextsInAndOutWithOneNotificationPairPerChange) {
    ::SetWindowTextW(edit, L"1:2:3");
    ::SetWindowTextW(edit, L"010203");  // the same value: no notification
    EXPECT_EQ(parent.codes, (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(Text(), L"010203");
    EXPECT_EQ(Text(TEM_GETTEXTSEP), L"01:02.03");
    EXPECT_EQ(Text(WM_GETTEXT, 9), L"<none>");  // three characters a field do not fit
    EXPECT_EQ(::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 9);
    EXPECT_EQ(::SendMessageW(edit, TEM_SETFRACTIONCOUNT, 0, 30), 29);
    ::SetDlgItemInt(parent, kEditId, 12345, TRUE);
    TimeCode t;
    ::SendMessageW(edit, TEM_GETTIME, 0, reinterpret_cast<LPARAM>(&t));
    EXPECT_EQ(t, (TimeCode{0, 1, 23, 45}));
}

TEST_F(TimeEditWindow, KeysTypeWhileEnabledOnly) {
    ::SetFocus(edit);
    Keys({'9', '9', VK_NUMPAD7, '5', VK_UP});
    // 75 seconds refused with 7 taken; Up drops the pending 7 and steps the seconds.
    EXPECT_EQ(Text(TEM_GETTEXTSEP), L"99:08.00");
    EXPECT_EQ(parent.codes.size(), 2u * 5);
    ::EnableWindow(edit, FALSE);
    Keys({VK_HOME});
    EXPECT_EQ(Text(TEM_GETTEXTSEP), L"99:08.00");
}

TEST_F(TimeEditWindow, CopyAndPasteThroughTheClipboard) {
    ::SetFocus(edit);
    ::SetWindowTextW(edit, L"12345");
    Control(true);
    Keys({'C'});
    ::SetWindowTextW(edit, L"0");
    Keys({'V'});
    Control(false);
    EXPECT_EQ(Text(TEM_GETTEXTSEP), L"01:23.45");
}

}  // namespace
