// The time view window made from the program's own template: a drop on it goes on to the
// main window only when its names can be read; its seek bar's selection follows play by
// whole pixels.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
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

// Moves of less than a pixel's worth of frames leave the trackbar alone; a pixel's worth,
// or any move back, shows.
TEST(TimeViewWindow, TheSeekBarSelectionFollowsPlayByWholePixels) {
    CMainStandIn main;
    ASSERT_TRUE(main.Create(nullptr, {0, 0, 300, 200}, L"Orvane", WS_OVERLAPPEDWINDOW));
    CSeekBar bar;
    ASSERT_TRUE(bar.SubclassWindow(::CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | TBS_ENABLESELRANGE, 0, 0, 200,
                                                     30, main, nullptr, nullptr, nullptr)));
    RECT channel{}, thumb{};
    bar.SendMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    bar.SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const uint32_t pixels = static_cast<uint32_t>((channel.right - channel.left) - (thumb.right - thumb.left));
    ASSERT_GT(pixels, 100u);
    struct Case {
        uint32_t range, from, to;
        bool shown;
    } const cases[] = {
        {1000000, 0, 1000000 / pixels - 1, false}, {1000000, 0, 1000000 / pixels, true},
        {1000000, 500000, 499999, true},           {50, 0, 1, true},  // less than a frame per pixel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.range << ": " << c.from << " to " << c.to);
        bar.SendMessage(TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(c.range));
        bar.MeasurePixels();
        bar.SetSelEnd(c.from);
        bar.FollowPlay(c.to);
        EXPECT_EQ(static_cast<uint32_t>(bar.SendMessage(TBM_GETSELEND)), c.shown ? c.to : c.from);
    }
    main.DestroyWindow();
}

}  // namespace
