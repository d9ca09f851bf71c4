// The window framework's newer pieces against real windows: property sheet pages, the
// typed message entries, reflected notifications at the control and the menu wrapper.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/Menu.h"
#include "ui/MessageLoop.h"
#include "ui/PropertyPage.h"
#include "ui/Window.h"

namespace {

// ---- property sheet ---------------------------------------------------------------------

using Journal = std::vector<std::string>;

// An empty page template in memory: the test program has no resources.
struct PageTemplate {
    DLGTEMPLATE dialog{WS_CHILD | WS_CAPTION, 0, 0, 0, 0, 120, 60};
    WORD menuClassTitle[3] = {0, 0, 0};
};

class CTestPage : public CPropertyPageImpl<CTestPage> {
public:
    enum { IDD = 1 };  // not used: the template is in memory

    CTestPage(Journal& journal, const wchar_t* name, const PageTemplate& page)
        : CPropertyPageImpl<CTestPage>(name), m_journal(journal), m_name(name) {
        m_page.dwFlags |= PSP_DLGINDIRECT;
        m_page.pResource = &page.dialog;
    }

    bool refuseToLeave = false;

    int OnSetActive() { return Note("setactive"), 0; }
    BOOL OnKillActive() { return Note("killactive"), refuseToLeave; }
    int OnApply() { return Note("apply"), PSNRET_NOERROR; }

    BEGIN_MSG_MAP(CTestPage)
        MSG_WM_INITDIALOG(OnInitDialog)
        CHAIN_MSG_MAP(CPropertyPageImpl<CTestPage>)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM) { return Note("init"), TRUE; }
    void Note(const char* what) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "%ls %s", m_name, what);
        m_journal.push_back(entry);
    }

    Journal& m_journal;
    const wchar_t* m_name;
};

class UiPropertySheet : public ::testing::Test {
protected:
    void SetUp() override {
        g_module.Init(::GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        HPROPSHEETPAGE pages[] = {one.Create(), two.Create()};
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = L"sheet";
        header.nPages = 2;
        header.phpage = pages;
        sheet = reinterpret_cast<HWND>(::PropertySheetW(&header));
        ASSERT_TRUE(sheet);
    }
    void TearDown() override {
        if (sheet) ::DestroyWindow(sheet);
    }
    // A button press is handled through the sheet's queue; true once the sheet has ended.
    bool Press(int button) {
        PropSheet_PressButton(sheet, button);
        for (int i = 0; i < 200 && PropSheet_GetCurrentPageHwnd(sheet); ++i) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::Sleep(10);
        }
        return !PropSheet_GetCurrentPageHwnd(sheet);
    }
    int Count(const char* entry) const { return static_cast<int>(std::count(journal.begin(), journal.end(), entry)); }

    Journal journal;
    PageTemplate page;
    CTestPage one{journal, L"one", page};
    CTestPage two{journal, L"two", page};
    HWND sheet = nullptr;
};

TEST_F(UiPropertySheet, PagesHearTheSheetAndAChangeEnablesApply) {
    EXPECT_EQ(journal, (Journal{"one init", "one setactive"}));
    PropSheet_SetCurSel(sheet, nullptr, 1);
    EXPECT_EQ(journal, (Journal{"one init", "one setactive", "one killactive", "two init", "two setactive"}));

    HWND apply = ::GetDlgItem(sheet, 0x3021);  // the sheet's Apply button
    EXPECT_FALSE(::IsWindowEnabled(apply));
    two.SetModified();
    EXPECT_TRUE(::IsWindowEnabled(apply));

    // A page whose input is wrong keeps the sheet on it.
    two.refuseToLeave = true;
    PropSheet_SetCurSel(sheet, nullptr, 0);
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet), two.m_hWnd);
}

TEST_F(UiPropertySheet, OkAppliesEveryPageShown) {
    PropSheet_SetCurSel(sheet, nullptr, 1);
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Count("one apply"), 1);
    EXPECT_EQ(Count("two apply"), 1);
    ::DestroyWindow(sheet);
    sheet = nullptr;
    EXPECT_EQ(one.m_hWnd, nullptr) << "the page lets go of its window";
    EXPECT_EQ(two.m_hWnd, nullptr);
}

TEST_F(UiPropertySheet, CancelAppliesNone) {
    PropSheet_SetCurSel(sheet, nullptr, 1);
    ASSERT_TRUE(Press(PSBTN_CANCEL));
    EXPECT_EQ(Count("one apply") + Count("two apply"), 0);
}

// ---- typed entries ----------------------------------------------------------------------

class CTypedProbe : public CWindowImpl<CTypedProbe> {
public:
    static const wchar_t* GetWndClassName() { return L"OrvaneUiTypedProbe"; }
    std::string seen;

    BEGIN_MSG_MAP(CTypedProbe)
        MSG_WM_HSCROLL(OnHScroll)
        MSG_WM_MOUSEWHEEL(OnMouseWheel)
        MSG_WM_CONTEXTMENU(OnContextMenu)
        MSG_WM_NCLBUTTONDOWN(OnNcLButtonDown)
        MSG_WM_MOUSEMOVE(OnMouseMove)
        MSG_WM_ENTERSIZEMOVE(OnEnterSizeMove)
        MSG_WM_GETDLGCODE(OnGetDlgCode)
    END_MSG_MAP()

private:
    void Note(const char* format, int a = 0, int b = 0, int c = 0) {
        char text[64];
        std::snprintf(text, sizeof text, format, a, b, c);
        seen = text;
    }
    void OnHScroll(UINT code, UINT position, HWND bar) { Note("hscroll %d %d %d", code, position, bar != nullptr); }
    BOOL OnMouseWheel(UINT keys, short delta, POINT at) { return Note("wheel %d %d %d", keys, delta, at.x), at.y; }
    void OnContextMenu(HWND window, POINT at) { Note("context %d %d %d", window == m_hWnd, at.x, at.y); }
    void OnNcLButtonDown(UINT hit, POINT at) { Note("nclbuttondown %d %d %d", hit, at.x, at.y); }
    void OnMouseMove(UINT keys, POINT at) { Note("mousemove %d %d %d", keys, at.x, at.y); }
    void OnEnterSizeMove() { Note("entersizemove"); }
    UINT OnGetDlgCode(const MSG* msg) { return Note("getdlgcode %d", msg != nullptr), DLGC_WANTARROWS; }
};

TEST(UiTypedEntries, HandlersGetTheirParametersDecodedAndTheirResultsReturned) {
    g_module.Init(::GetModuleHandleW(nullptr));
    CTypedProbe probe;
    ASSERT_TRUE(probe.Create(nullptr, {0, 0, 200, 100}, L"typed", WS_OVERLAPPEDWINDOW));
    const struct {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        const char* seen;
        LRESULT result;
    } cases[] = {
        {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0, "hscroll 5 300 0", 0},
        // Points left of or above the screen's origin are negative.
        {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(-5, 7), "wheel 4 -120 -5", 7},
        {WM_CONTEXTMENU, reinterpret_cast<WPARAM>(static_cast<HWND>(probe)), MAKELPARAM(-1, -1), "context 1 -1 -1", 0},
        {WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(-30, 40), "nclbuttondown 2 -30 40", 0},
        {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-2, -3), "mousemove 1 -2 -3", 0},
        {WM_ENTERSIZEMOVE, 0, 0, "entersizemove", 0},
        {WM_GETDLGCODE, 0, 0, "getdlgcode 0", DLGC_WANTARROWS},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(probe.SendMessage(c.msg, c.wParam, c.lParam), c.result) << c.seen;
        EXPECT_EQ(probe.seen, c.seen);
    }
    probe.DestroyWindow();
}

// ---- menu -------------------------------------------------------------------------------

TEST(UiMenu, TheMenuIsDestroyedWithItsObject) {
    g_module.Init(::GetModuleHandleW(nullptr));
    HMENU handle = nullptr;
    {
        CMenu menu = CMenu::CreatePopup();
        handle = menu.Handle();
        ASSERT_TRUE(::IsMenu(handle));
        ::AppendMenuW(handle, MF_STRING, 1, L"item");
    }
    EXPECT_FALSE(::IsMenu(handle));

    CMenu missing = CMenu::Load(4242);  // the test program has no menus
    EXPECT_EQ(missing.Handle(), nullptr);
    EXPECT_EQ(missing.SubMenu(0), nullptr);
}

}  // namespace
