#pragma once
// The cue sheet's window: the main dialog's list view control, subclassed. The list is
// virtual (owner data) and owner-drawn; the entries and the play mode live in CCueList.
// The control takes dropped files, folders and cue files, reorders entries by dragging
// and carries the "CueMenu" commands. "Default.cue" is loaded at the first showing and
// written back when the control is destroyed.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/win32/Timer.h"
#include "cue/CueList.h"
#include "resources/resource.h"
#include "ui/Window.h"

// The auto-scroll timer's tick, sent from the timer thread to the list.
constexpr UINT WM_CUE_DRAG_TICK = 0x8021;

class CCueSheet : public CWindowImpl<CCueSheet>, private CueListView, public CCueList {
public:
    CCueSheet();

    // Takes over the list control of the main dialog.
    BOOL Attach(HWND list);
    // The first time, loads "Default.cue"; then shows the main window without activating it.
    void ShowCueWindow();

    // "Orvane\Default.cue" in the user's application-data folder; with create, the folder
    // is made first. Empty when the shell gives no folder.
    static std::wstring DefaultCuePath(bool create);

    BEGIN_MSG_MAP(CCueSheet)
        MESSAGE_HANDLER_EX(Reflected(WM_NOTIFY), OnNotify)
        MESSAGE_HANDLER_EX(Reflected(WM_DRAWITEM), OnDrawItem)
        MESSAGE_HANDLER_EX(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER_EX(WM_SYSKEYDOWN, OnSysKeyDown)
        MESSAGE_HANDLER_EX(WM_SYSCHAR, OnSysChar)
        MESSAGE_HANDLER_EX(WM_CONTEXTMENU, OnContextMenu)
        MESSAGE_HANDLER_EX(WM_DROPFILES, OnDropFiles)
        MESSAGE_HANDLER_EX(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER_EX(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER_EX(WM_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER_EX(WM_CUE_DRAG_TICK, OnDragTick)
        MESSAGE_HANDLER_EX(WM_NCCALCSIZE, OnNcCalcSize)
        MESSAGE_HANDLER_EX(WM_DESTROY, OnDestroy)
        COMMAND_ID_HANDLER_EX(ID_CUEPLAY, OnCuePlay)
        COMMAND_ID_HANDLER_EX(ID_SPOTPLAY, OnSpotPlay)
        COMMAND_ID_HANDLER_EX(ID_CUE_DELETE, OnDelete)
        COMMAND_ID_HANDLER_EX(ID_CUE_CLEARTIMES, OnClearTimes)
        COMMAND_ID_HANDLER_EX(ID_CUE_TIMESELECTED, OnTimeSelected)
        COMMAND_ID_HANDLER_EX(ID_CUE_TIMEALL, OnTimeAll)
        COMMAND_ID_HANDLER_EX(ID_FILE_OPEN, OnOpenCueFile)
        COMMAND_ID_HANDLER_EX(ID_FILE_SAVE, OnSaveCueFile)
    END_MSG_MAP()

private:
    // CueListView
    void ShowTitleSuffix(const wchar_t* suffix) override;
    void RedrawItem(int index) override;
    void SetItemCount(int count) override;
    bool WindowExists() const override { return IsWindow() != FALSE; }

    LRESULT OnNotify(UINT, WPARAM, LPARAM lParam);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM lParam);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM) { return DLGC_WANTALLKEYS; }
    LRESULT OnSysKeyDown(UINT, WPARAM key, LPARAM);
    LRESULT OnSysChar(UINT, WPARAM key, LPARAM);
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM);
    LRESULT OnDropFiles(UINT, WPARAM drop, LPARAM);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM lParam);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM);
    LRESULT OnDragTick(UINT, WPARAM, LPARAM);
    LRESULT OnNcCalcSize(UINT, WPARAM, LPARAM);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM);

    void OnCuePlay(UINT, int, HWND);
    void OnSpotPlay(UINT, int, HWND);
    void OnDelete(UINT, int, HWND);
    void OnClearTimes(UINT, int, HWND) { ClearCueTimes(SelectedIndices()); }
    void OnTimeSelected(UINT, int, HWND) { RecalculateTimes(SelectedIndices()); }
    void OnTimeAll(UINT, int, HWND);
    void OnOpenCueFile(UINT, int, HWND);
    void OnSaveCueFile(UINT, int, HWND);

    LRESULT OnGetDispInfo(NMLVDISPINFOW* info);
    LRESULT OnKeyDown(const NMLVKEYDOWN* key);
    LRESULT OnFindItem(const NMLVFINDITEMW* find) const;
    void OnBeginDrag(int item);

    void DrawRow(const DRAWITEMSTRUCT& draw);
    void AddDroppedName(const std::wstring& path, int& insertAt);
    void AddFolder(const std::wstring& folder, int& insertAt);
    void AddAt(const std::wstring& path, int& insertAt);

    void DragOver(POINT point);
    void EndDrag();
    static void CALLBACK OnTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    int FocusedItem() const;
    std::vector<int> SelectedIndices() const;
    void SetItemState(int item, UINT state, UINT mask);
    void RecalculateTimes(const std::vector<int>& indices);
    HWND MainWindow() const { return ::GetParent(m_hWnd); }

    CTimer m_scrollTimer;
    std::atomic<HWND> m_tickTarget{nullptr};  // read on the timer thread
    int m_dragSource = -1;                    // -1: no drag
    int m_dragTarget = -1;
};
