// The cue list window over a real list view: dropped files, folders and cue files, drop
// handles that cannot be read, the Delete key, Alt+Enter, typing a name and the texts the
// control asks for.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cue/win32/CueSheet.h"
#include "drop_handles.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

namespace {

// The main dialog's part: it hands the list's notifications back to it and notes the
// commands the list forwards.
class CListParent : public CWindowImpl<CListParent> {
public:
    static const wchar_t* GetWndClassName() { return L"OrvaneCueSheetTestParent"; }
    BEGIN_MSG_MAP(CListParent)
        MESSAGE_HANDLER_EX(WM_COMMAND, OnCommand)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
    std::vector<int> commands;

private:
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM) {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
};

std::wstring TestFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"OrvaneCueSheetTest";
}

void Touch(const std::wstring& path, const char* bytes = "RIFF") {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes, static_cast<DWORD>(std::strlen(bytes)), &written, nullptr);
    ::CloseHandle(file);
}

class CueSheetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_module.Init(::GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        folder = TestFolder();
        ::SHCreateDirectoryExW(nullptr, (folder + L"\\sub").c_str(), nullptr);
        parent.Create(nullptr, {0, 0, 300, 200}, L"Orvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        list = ::CreateWindowExW(0, WC_LISTVIEWW, L"",
                                 WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA |
                                     LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS,
                                 0, 0, 280, 160, parent, reinterpret_cast<HMENU>(IDC_CUELIST), nullptr, nullptr);
        ASSERT_TRUE(sheet.Attach(list));
    }
    void TearDown() override {
        parent.DestroyWindow();
        SHFILEOPSTRUCTW remove{};
        std::wstring from = folder + L'\0';
        remove.wFunc = FO_DELETE;
        remove.pFrom = from.c_str();
        remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        ::SHFileOperationW(&remove);
    }

    std::wstring In(const wchar_t* name) const { return folder + L"\\" + name; }
    void Drop(const std::vector<std::wstring>& names) { Drop(MakeDrop(names)); }
    void Drop(HDROP drop) { ::SendMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0); }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (const auto& item : sheet.List().Items()) names.push_back(item.name);
        return names;
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED))
            rows.push_back(i);
        return rows;
    }
    void Select(const std::vector<int>& rows) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    std::wstring folder;
    CListParent parent;
    HWND list = nullptr;
    AppSettings settings;
    CPlayerCore engine{settings};
    CCueSheet sheet{engine, settings};
};

TEST_F(CueSheetWindow, DroppedFoldersAndFilesAddWhatCanPlayInTheirOrder) {
    // Files of kinds no reader plays are not taken.
    for (const wchar_t* name : {L"a.wav", L"b.AIF", L"notes.txt", L"c.m4a"}) Touch(In(name));
    Touch(In(L"sub\\deep.wav"));
    Touch(In(L"sub\\x.aiff"));
    Touch(In(L"sub\\y.xyz"));
    Touch(In(L"sub\\z.mp4"));
    Drop({folder, In(L"sub\\x.aiff"), In(L"sub\\y.xyz"), In(L"sub\\z.mp4"), In(L"gone.wav")});
    // A folder gives its own playable files, not those of its subfolders.
    std::vector<std::wstring> names = Names();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(std::set<std::wstring>(names.begin(), names.begin() + 2), (std::set<std::wstring>{L"a.wav", L"b.AIF"}));
    // The list asks about missing files when it plays them, not when they are added.
    EXPECT_EQ(names[2], L"x.aiff");
    EXPECT_EQ(names[3], L"gone.wav");
    EXPECT_EQ(ListView_GetItemCount(list), 4);
    EXPECT_EQ(sheet.List().Items()[2].path, In(L"sub\\x.aiff"));
}

TEST_F(CueSheetWindow, FilesDroppedOnASelectionGoAboveItInOrderAndTheSelectionStaysOnItsEntry) {
    Drop({In(L"e0.wav"), In(L"e1.wav"), In(L"e2.wav")});
    sheet.List().CurrentCue = 2;
    Select({1});
    Drop({In(L"p.wav"), In(L"q.wav")});
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"e0.wav", L"p.wav", L"q.wav", L"e1.wav", L"e2.wav"}));
    EXPECT_EQ(Selected(), std::vector<int>{3});
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 3);
    EXPECT_EQ(sheet.List().CurrentCue, 4) << "the current entry is still e2";
}

TEST_F(CueSheetWindow, ACueFileAmongDroppedNamesReplacesTheListAndTheRestIsIgnored) {
    std::wstring cue = In(L"list.CUE");
    std::string line = "C:\\music\\from-cue.wav,01:02\r\n";
    Touch(cue, line.c_str());
    Drop({In(L"before.wav")});
    Drop({In(L"z.wav"), cue, In(L"w.wav")});
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"from-cue.wav"});
    EXPECT_EQ(sheet.List().Items()[0].time, L"01:02");
}

// Drop handles from other programs are ignored; a well-formed list in the same shapes is read.
TEST_F(CueSheetWindow, ADropHandleThatCannotBeReadAddsNothing) {
    for (const auto& d : UnreadableDrops()) {
        Drop(d.drop);
        EXPECT_TRUE(Names().empty()) << d.what;
    }
    // A name longer than MAX_PATH is read whole.
    const wchar_t wellFormed[] = L"C:\\b.wav\0";
    Drop(MakeDropBlock(DropBytes(sizeof(DROPFILES), true, wellFormed, sizeof wellFormed)));
    const std::wstring deep = In((std::wstring(300, L'n') + L".wav").c_str());
    const char ansi[] = "C:\\c.wav\0";
    Drop(MakeDropBlock(DropBytes(sizeof(DROPFILES), false, ansi, sizeof ansi)));
    Drop({deep});
    ASSERT_EQ(Names(), (std::vector<std::wstring>{L"b.wav", L"c.wav", std::wstring(300, L'n') + L".wav"}));
    EXPECT_EQ(sheet.List().Items()[2].path, deep);
}

TEST_F(CueSheetWindow, AltEnterSpotPlaysTheFocusedEntry) {
    Drop({In(L"e0.wav"), In(L"e1.wav"), In(L"e2.wav")});
    Select({1});
    ::SetFocus(list);
    // The keys as the dialog manager passes them on: the key, then its character.
    const LPARAM alt = 1 | (1 << 29);
    ::SendMessageW(list, WM_SYSKEYDOWN, 'X', alt);
    EXPECT_TRUE(parent.commands.empty()) << "another Alt key";
    ::SendMessageW(list, WM_SYSKEYDOWN, VK_RETURN, alt);
    EXPECT_EQ(::SendMessageW(list, WM_SYSCHAR, L'\r', alt), 0);
    EXPECT_EQ(parent.commands, std::vector<int>{ID_SPOTPLAY});
    EXPECT_EQ(sheet.List().CurrentCue, 1);
    EXPECT_EQ(sheet.List().GetPlayMode(), CueModeOff);
}

TEST_F(CueSheetWindow, DeleteRemovesTheSelectedEntriesAndLeavesNoneSelected) {
    Drop({In(L"e0.wav"), In(L"e1.wav"), In(L"e2.wav"), In(L"e3.wav")});
    sheet.List().CuePlayFrom(2);
    Select({0, 2});
    ::SetFocus(list);
    ::SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"e1.wav", L"e3.wav"}));
    EXPECT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(sheet.List().IsCuePlay()) << "the current entry was deleted";
    wchar_t title[64] = L"";
    ::GetWindowTextW(parent, title, 64);
    EXPECT_EQ(std::wstring(title).find(L" - Cue Play"), std::wstring::npos);
}

TEST_F(CueSheetWindow, TypingGoesToTheNextNameThatBeginsSoAndANameNotThereMovesNothing) {
    Drop({In(L"apple.wav"), In(L"Beta.wav"), In(L"e2.wav"), In(L"bravo.wav")});
    Select({2});
    ::SetFocus(list);
    // The control answers a letter by asking its owner for a row whose name starts with it.
    ::SendMessageW(list, WM_CHAR, L'b', 1);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 3) << "from the focused row on, any case";
    EXPECT_EQ(Selected(), std::vector<int>{3});
    // A key typed much later starts a new search; one that no name begins with leaves the
    // selection where it is, so Delete or Enter still act on the row the user chose.
    ::Sleep(1100);
    ::SendMessageW(list, WM_CHAR, L'q', 1);
    EXPECT_EQ(Selected(), std::vector<int>{3});
    ::Sleep(1100);
    ::SendMessageW(list, WM_CHAR, L'a', 1);
    EXPECT_EQ(Selected(), std::vector<int>{0}) << "the search goes round";
}

// "Default.cue" held open by another program: the list window closes with a box that it
// owns, so the box stays with the program's windows.
TEST_F(CueSheetWindow, AFailedSaveOfTheDefaultListIsShownOwnedByTheListWindow) {
    wchar_t appData[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    const std::wstring orvane = std::wstring(appData) + L"\\Orvane";
    ::SHCreateDirectoryExW(nullptr, orvane.c_str(), nullptr);
    const std::wstring path = orvane + L"\\Default.cue";
    HANDLE held = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
    sheet.List().DefaultCueLoaded = true;

    std::atomic<HWND> owner{nullptr};
    std::atomic<bool> shown{false};
    std::thread answer([&] {
        for (int i = 0; i < 100 && !shown; ++i, ::Sleep(100)) {
            HWND box = ::FindWindowW(L"#32770", kCueSaveFailedCaption);
            if (!box) continue;
            owner = ::GetWindow(box, GW_OWNER);
            shown = true;
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    const HWND main = parent;
    parent.DestroyWindow();
    answer.join();
    ::CloseHandle(held);
    if (created) ::DeleteFileW(path.c_str());
    ASSERT_TRUE(shown);
    EXPECT_EQ(owner.load(), main);
}

TEST_F(CueSheetWindow, TheControlIsToldTheNameAndTimeOfEachRow) {
    Drop({In(L"take.wav")});
    sheet.List().SetCueTime(0, 3, 25);
    wchar_t text[64] = L"unchanged";
    ListView_GetItemText(list, 0, 1, text, 64);
    EXPECT_STREQ(text, L"take.wav");
    ListView_GetItemText(list, 0, 2, text, 64);
    EXPECT_STREQ(text, L"03:25");
    EXPECT_EQ(::SendMessageW(list, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
}

}  // namespace
