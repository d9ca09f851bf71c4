// The time view window made from the program's own template: a drop on it goes on to the
// main window only when its names can be read.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "drop_handles.h"
#include "timeview/win32/TimeEdit.h"
#include "timeview/win32/TimeView.h"
#include "ui/MessageLoop.h"

namespace {

// The main dialog's part: notes the drops passed on to it.
class CMainStandIn : public CWindowImpl<CMainStandIn> {
public:
    static const wchar_t* GetWndClassName() { return L"OrvaneTimeViewTestMain"; }
    BEGIN_MSG_MAP(CMainStandIn)
        MESSAGE_HANDLER_EX(WM_DROPFILES, OnDropFiles)
    END_MSG_MAP()
    std::vector<HDROP> drops;

private:
    LRESULT OnDropFiles(UINT, WPARAM drop, LPARAM) {
        drops.push_back(reinterpret_cast<HDROP>(drop));
        return 0;
    }
};

// A handle that cannot be read is neither passed on nor released: under Wine a drop from
// an X11 file manager is such a handle, and reading it crashed the system's drop calls.
TEST(TimeViewWindow, ADropIsPassedOnToTheMainWindowOnlyWhenItsNamesCanBeRead) {
    g_module.Init(::GetModuleHandleW(nullptr));
    RegisterTimeEditClass(::GetModuleHandleW(nullptr));
    CMainStandIn main;
    ASSERT_TRUE(main.Create(nullptr, {0, 0, 300, 200}, L"Orvane", WS_OVERLAPPEDWINDOW));
    AppSettings settings;
    CPlayerCore engine(settings);
    CTimeView view(engine, settings);
    ASSERT_TRUE(view.Create(main));
    const auto drop = [&](HDROP handle) { ::SendMessageW(view, WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0); };
    for (const auto& d : UnreadableDrops()) {
        const UINT flags = ::GlobalFlags(d.drop);
        drop(d.drop);
        EXPECT_TRUE(main.drops.empty()) << d.what;
        EXPECT_EQ(::GlobalFlags(d.drop), flags) << d.what;
    }
    const HDROP named = MakeDrop({L"C:\\x.wav", L"C:\\y.wav"});
    drop(named);
    EXPECT_EQ(main.drops, std::vector<HDROP>{named});
    ::DragFinish(named);
    // An empty first name leaves the drop to be released here.
    const HDROP unnamed = MakeDrop({L"", L"C:\\y.wav"});
    drop(unnamed);
    EXPECT_EQ(main.drops.size(), 1u);
    EXPECT_EQ(::GlobalFlags(unnamed), static_cast<UINT>(GMEM_INVALID_HANDLE));
    view.DestroyWindow();
    main.DestroyWindow();
}

}  // namespace
