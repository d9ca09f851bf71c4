// The window framework against real windows: maps, the handled flag, reflection,
// subclassing, dialogs and the message loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "high_memory.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

namespace {

constexpr UINT kAsk = WM_APP + 1;
constexpr UINT kNested = WM_APP + 2;
constexpr UINT kDecline = WM_APP + 3;

class CProbe : public CWindowImpl<CProbe> {
public:
    static const wchar_t* GetWndClassName() { return L"OrvaneUiTestProbe"; }

    std::vector<std::string> calls;
    std::wstring textSeen;
    bool flagAfterNested = false;
    int finalMessages = 0;

    BEGIN_MSG_MAP(CProbe)
        MESSAGE_HANDLER_EX(kAsk, OnAsk)
        MESSAGE_HANDLER_EX(WM_SETTEXT, OnSetTextFirst)
        MESSAGE_HANDLER_EX(WM_SETTEXT, OnSetTextSecond)
        MESSAGE_HANDLER_EX(kNested, OnNested)
        MESSAGE_HANDLER_EX(kDecline, OnDecline)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    LRESULT OnAsk(UINT, WPARAM wParam, LPARAM) { return 40 + static_cast<LRESULT>(wParam); }
    LRESULT OnSetTextFirst(UINT, WPARAM, LPARAM) {
        calls.push_back("first");
        SetMsgHandled(FALSE);
        return 0;
    }
    LRESULT OnSetTextSecond(UINT, WPARAM, LPARAM lParam) {
        calls.push_back("second");
        textSeen = reinterpret_cast<const wchar_t*>(lParam);
        SetMsgHandled(FALSE);  // the default procedure stores the text
        return 0;
    }
    LRESULT OnNested(UINT, WPARAM, LPARAM) {
        SendMessage(kDecline);
        flagAfterNested = IsMsgHandled() != FALSE;
        return 7;
    }
    LRESULT OnDecline(UINT, WPARAM, LPARAM) {
        SetMsgHandled(FALSE);
        return 0;
    }
    void OnFinalMessage(HWND) override { ++finalMessages; }
};

// A control that handles the notifications its parent reflects.
class CControlSpy : public CWindowImpl<CControlSpy> {
public:
    static constexpr UINT kNotifyCode = 777;
    int clicks = 0;
    UINT notifyCode = 0;

    BEGIN_MSG_MAP(CControlSpy)
        REFLECTED_COMMAND_CODE_HANDLER_EX(BN_CLICKED, OnClicked)
        REFLECTED_NOTIFY_CODE_HANDLER_EX(kNotifyCode, OnNotify)
        MESSAGE_HANDLER_EX(WM_GETTEXTLENGTH, OnTextLength)
    END_MSG_MAP()

private:
    void OnClicked(UINT, int, HWND) { ++clicks; }
    LRESULT OnNotify(NMHDR* header) {
        notifyCode = header->code;
        return 1234;
    }
    LRESULT OnTextLength(UINT, WPARAM, LPARAM) { return 99; }
};

class UiWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_module.Init(::GetModuleHandleW(nullptr));
        ASSERT_TRUE(probe.Create(nullptr, {0, 0, 200, 100}, L"probe", WS_OVERLAPPEDWINDOW));
    }
    void TearDown() override {
        if (probe.IsWindow()) probe.DestroyWindow();
    }
    HWND Child(const wchar_t* cls, int id) {
        return ::CreateWindowExW(0, cls, L"child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, probe, reinterpret_cast<HMENU>(id),
                                 nullptr, nullptr);
    }

    CProbe probe;
};

TEST_F(UiWindow, HandlersAnswerAndClearingTheFlagGoesOnToTheNextEntryThenTheDefault) {
    EXPECT_EQ(probe.SendMessage(kAsk, 2), 42);
    ::SetWindowTextW(probe, L"音楽");
    EXPECT_EQ(probe.calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(probe.textSeen, L"音楽");
    wchar_t text[16] = L"";
    ::GetWindowTextW(probe, text, 16);
    EXPECT_STREQ(text, L"音楽");
}

TEST_F(UiWindow, ANestedDispatchDoesNotChangeTheOuterHandlersFlag) {
    // Were the inner "not handled" to leak out, the outer message would get the default
    // procedure's 0 instead of the handler's 7.
    EXPECT_EQ(probe.SendMessage(kNested), 7);
    EXPECT_TRUE(probe.flagAfterNested);
}

TEST_F(UiWindow, ObjectIsFoundFromItsWindowUntilTheWindowIsGone) {
    HWND hWnd = probe;
    EXPECT_EQ(CWindowImplRoot::FromHandle(hWnd), &probe);
    probe.DestroyWindow();
    EXPECT_EQ(probe.finalMessages, 1);
    EXPECT_EQ(probe.m_hWnd, nullptr);
    EXPECT_EQ(CWindowImplRoot::FromHandle(hWnd), nullptr);
}

TEST_F(UiWindow, ControlNotificationsAreReflectedToTheControlsObject) {
    CControlSpy spy;
    HWND button = Child(L"BUTTON", 10);
    ASSERT_TRUE(spy.SubclassWindow(button));
    ::SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(spy.clicks, 1);

    NMHDR header{button, 10, CControlSpy::kNotifyCode};
    EXPECT_EQ(probe.SendMessage(WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&header)), 1234);
    EXPECT_EQ(spy.notifyCode, CControlSpy::kNotifyCode);
    // A code the control does not list goes on to the parent's default.
    NMHDR other{button, 10, CControlSpy::kNotifyCode + 1};
    EXPECT_EQ(probe.SendMessage(WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(spy.notifyCode, CControlSpy::kNotifyCode);

    // A control without an object: the parent's default, no crash, nobody counts.
    HWND plain = Child(L"BUTTON", 11);
    ::SendMessageW(plain, BM_CLICK, 0, 0);
    EXPECT_EQ(spy.clicks, 1);
}

TEST_F(UiWindow, SubclassingTakesOverAControlAndGivesItBack) {
    CControlSpy spy;
    HWND edit = Child(L"EDIT", 12);
    ASSERT_TRUE(spy.SubclassWindow(edit));
    EXPECT_FALSE(CControlSpy().SubclassWindow(edit));  // one object per window
    ::SetWindowTextW(edit, L"abc");                    // unhandled: the edit's own procedure
    EXPECT_EQ(::GetWindowTextLengthW(edit), 99);
    EXPECT_EQ(spy.UnsubclassWindow(), edit);
    EXPECT_EQ(::GetWindowTextLengthW(edit), 3);
    EXPECT_EQ(CWindowImplRoot::FromHandle(edit), nullptr);
}

TEST_F(UiWindow, ASubclassedControlDestroyedWithItsParentLetsGoOfItsObject) {
    CControlSpy spy;
    ASSERT_TRUE(spy.SubclassWindow(Child(L"EDIT", 13)));
    probe.DestroyWindow();
    EXPECT_EQ(spy.m_hWnd, nullptr);
}

// ---- dialogs ------------------------------------------------------------------------

constexpr UINT kDialogAsk = WM_APP + 10;

class CTestDialog : public CDialogImpl<CTestDialog> {
public:
    bool initialised = false;
    int endAtStart = 0;  // a command to post to itself once it runs

    BEGIN_MSG_MAP(CTestDialog)
        MSG_WM_INITDIALOG(OnInitDialog)
        MESSAGE_HANDLER_EX(kDialogAsk, OnAsk)
        COMMAND_RANGE_HANDLER_EX(100, 200, OnEnd)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM) {
        initialised = true;
        if (endAtStart) PostMessage(WM_COMMAND, endAtStart);
        return FALSE;
    }
    LRESULT OnAsk(UINT, WPARAM, LPARAM) { return 0x12345678; }
    void OnEnd(UINT, int id, HWND) { EndDialog(id); }
};

// An empty dialog template: style, no menu, default class, no title, no controls.
std::vector<DWORD> EmptyTemplate() {
    std::vector<DWORD> words(8, 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION;
    t->cx = 100;
    t->cy = 50;
    return words;
}

TEST(UiDialog, HandledResultsReachTheSenderThroughTheDialogResult) {
    g_module.Init(::GetModuleHandleW(nullptr));
    CTestDialog dialog;
    auto words = EmptyTemplate();
    HWND hWnd = ::CreateDialogIndirectParamW(nullptr, reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                                             CWindowImplRoot::DialogProc, reinterpret_cast<LPARAM>(&dialog));
    ASSERT_TRUE(hWnd);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(::SendMessageW(hWnd, kDialogAsk, 0, 0), 0x12345678);
    ::DestroyWindow(hWnd);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(UiDialog, ModalDialogReturnsWhatEndDialogWasGiven) {
    g_module.Init(::GetModuleHandleW(nullptr));
    CTestDialog dialog;
    auto words = EmptyTemplate();
    dialog.endAtStart = 150;
    INT_PTR result = ::DialogBoxIndirectParamW(nullptr, reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                                               CWindowImplRoot::DialogProc, reinterpret_cast<LPARAM>(&dialog));
    EXPECT_EQ(result, 150);
}

// Window, control and dialog objects are found from their windows with every bit of their
// address: the lookup must not squeeze a pointer through 32 bits.
TEST(UiWindowObjects, ObjectsAboveFourGiBAreFoundFromTheirWindows) {
    g_module.Init(::GetModuleHandleW(nullptr));
    HighPlaced<CProbe> probe;
    ASSERT_TRUE(probe.AboveFourGiB()) << probe.get();
    ASSERT_TRUE(probe->Create(nullptr, {0, 0, 200, 100}, L"probe", WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(probe->SendMessage(kAsk, 2), 42);

    HighPlaced<CControlSpy> spy;
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 50, 20, *probe, nullptr, nullptr, nullptr);
    ASSERT_TRUE(spy->SubclassWindow(edit));
    EXPECT_EQ(::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 99);

    HighPlaced<CTestDialog> dialog;
    auto words = EmptyTemplate();
    HWND hWnd = ::CreateDialogIndirectParamW(nullptr, reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                                             CWindowImplRoot::DialogProc, reinterpret_cast<LPARAM>(dialog.get()));
    ASSERT_TRUE(hWnd);
    EXPECT_EQ(::SendMessageW(hWnd, kDialogAsk, 0, 0), 0x12345678);
    ::DestroyWindow(hWnd);
    probe->DestroyWindow();
    EXPECT_EQ(spy->m_hWnd, nullptr);
}

// ---- message loop --------------------------------------------------------------------

struct Journal {
    std::vector<std::string> entries;
};

class CFilter : public CMessageFilter {
public:
    CFilter(Journal& j, std::string name, bool take) : m_journal(j), m_name(std::move(name)), m_take(take) {}
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message != kAsk) return FALSE;
        m_journal.entries.push_back(m_name);
        return m_take;
    }

private:
    Journal& m_journal;
    std::string m_name;
    bool m_take;
};

class CIdle : public CIdleHandler {
public:
    CIdle(Journal& j, std::string name) : m_journal(j), m_name(std::move(name)) {}
    BOOL OnIdle() override {
        m_journal.entries.push_back(m_name);
        return FALSE;
    }

private:
    Journal& m_journal;
    std::string m_name;
};

TEST(UiMessageLoop, NewestFilterFirstATakenMessageIsNotDispatchedAndQuitCodeIsReturned) {
    Journal journal;
    CMessageLoop loop;
    CFilter older(journal, "older", true), newer(journal, "newer", false);
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    ::PostThreadMessageW(::GetCurrentThreadId(), kAsk, 0, 0);
    ::PostQuitMessage(17);
    EXPECT_EQ(loop.Run(), 17);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"newer", "older"}));
}

TEST(UiMessageLoop, IdleHandlersRunInOrderWhenTheQueueEmptiesButNotAfterAMouseMove) {
    Journal journal;
    CMessageLoop loop;
    CIdle first(journal, "first");
    // The first idle period posts a mouse move; it wakes the loop, and a timer message
    // after it ends the run. Only a wrong new idle period after the move adds entries.
    struct Mover : CIdleHandler {
        Journal* journal = nullptr;
        BOOL OnIdle() override {
            journal->entries.push_back("second");
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_MOUSEMOVE, 0, 0);
            return FALSE;
        }
    } mover;
    mover.journal = &journal;
    struct Waker : CMessageFilter {
        UINT_PTR timer = 0;
        BOOL PreTranslateMessage(MSG* msg) override {
            if (msg->message == WM_MOUSEMOVE && !timer) timer = ::SetTimer(nullptr, 0, 10, nullptr);
            if (msg->message == WM_TIMER) {
                ::KillTimer(nullptr, timer);
                ::PostQuitMessage(0);
            }
            return TRUE;
        }
    } waker;
    loop.AddIdleHandler(&first);
    loop.AddIdleHandler(&mover);
    loop.AddMessageFilter(&waker);
    loop.Run();
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"first", "second"}));
}

TEST(UiMessageLoop, AFilterMayRemoveItselfWhileTheLoopAsksIt) {
    Journal journal;
    CMessageLoop loop;
    struct Leaving : CMessageFilter {
        CMessageLoop* loop = nullptr;
        int seen = 0;
        BOOL PreTranslateMessage(MSG* msg) override {
            if (msg->message != kAsk) return FALSE;
            ++seen;
            loop->RemoveMessageFilter(this);
            return FALSE;
        }
    } leaving;
    leaving.loop = &loop;
    CFilter below(journal, "below", true);
    loop.AddMessageFilter(&below);
    loop.AddMessageFilter(&leaving);
    ::PostThreadMessageW(::GetCurrentThreadId(), kAsk, 0, 0);
    ::PostThreadMessageW(::GetCurrentThreadId(), kAsk, 0, 0);
    ::PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ(leaving.seen, 1);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"below", "below"}));
}

TEST(UiAppModule, OneLoopPerThreadFoundByThread) {
    CAppModule module;
    module.Init(::GetModuleHandleW(nullptr));
    CMessageLoop a, b;
    EXPECT_TRUE(module.AddMessageLoop(&a));
    EXPECT_FALSE(module.AddMessageLoop(&b));
    EXPECT_EQ(module.GetMessageLoop(), &a);
    EXPECT_EQ(module.GetMessageLoop(module.GetMainThreadId() + 1), nullptr);
    module.RemoveMessageLoop();
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
}

}  // namespace
