#pragma once
// The cue sheet's window: the main dialog's list view control, subclassed. The list is
// virtual (owner data) and owner-drawn; the entries and the play mode live in CCueList.
// The control takes dropped files, folders and cue files, reorders entries by dragging
// and carries the "CueMenu" commands. "Default.cue" is loaded at the first showing and
// written back when the control is destroyed.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "cue/CueList.h"
#include "engine/PlayerCore.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "ui/Messages.h"
#include "ui/Timer.h"
#include "ui/Window.h"

class CCueSheet : public CWindowImpl<CCueSheet>, private CueListView {
public:
    // The engine answers file lengths; the settings keep the cue file dialogs' folder.
    CCueSheet(CPlayerCore& engine, AppSettings& settings);

    // Takes over the list control of the main dialog.
    BOOL Attach(HWND list);
    // The first time, loads "Default.cue"; then shows the main window without activating it.
    void ShowCueWindow();
    // The entries and the play mode that this window shows.
    CCueList& List() { return m_list; }
    const CCueList& List() const { return m_list; }
    // Sizes the name column to the list's client width; after every change of size.
    void FitNameColumn();

    // "Orvane\Default.cue" in the user's application-data folder; with create, the folder
    // is made first. Empty when the shell gives no folder.
    static std::wstring DefaultCuePath(bool create);

    BEGIN_MSG_MAP(CCueSheet)
        REFLECTED_NOTIFY_CODE_HANDLER_EX(LVN_GETDISPINFOW, OnGetDispInfo)
        REFLECTED_NOTIFY_CODE_HANDLER_EX(LVN_KEYDOWN, OnKeyDown)
        REFLECTED_NOTIFY_CODE_HANDLER_EX(LVN_ODFINDITEMW, OnFindItem)
        REFLECTED_NOTIFY_CODE_HANDLER_EX(NM_DBLCLK, OnDoubleClick)
        REFLECTED_NOTIFY_CODE_HANDLER_EX(LVN_BEGINDRAG, OnBeginDrag)
        MSG_OCM_DRAWITEM(OnDrawItem)
        MSG_WM_GETDLGCODE(OnGetDlgCode)
        MESSAGE_HANDLER_EX(WM_SYSKEYDOWN, OnSysKeyDown)
        MESSAGE_HANDLER_EX(WM_SYSCHAR, OnSysChar)
        MSG_WM_CONTEXTMENU(OnContextMenu)
        MSG_WM_DROPFILES(OnDropFiles)
        MSG_WM_MOUSEMOVE(OnMouseMove)
        MSG_WM_LBUTTONUP(OnLButtonUp)
        MSG_WM_KILLFOCUS(OnKillFocus)
        MESSAGE_HANDLER_EX(WM_CUE_DRAG_TICK, OnDragTick)
        MSG_WM_NCCALCSIZE(OnNcCalcSize)
        MSG_WM_DESTROY(OnDestroy)
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

    LRESULT OnGetDispInfo(NMHDR* header);
    LRESULT OnKeyDown(NMHDR* header);
    LRESULT OnFindItem(NMHDR* header) const;
    LRESULT OnDoubleClick(NMHDR*);
    LRESULT OnBeginDrag(NMHDR* header);
    void OnDrawItem(int, const DRAWITEMSTRUCT* draw) { DrawRow(*draw); }
    UINT OnGetDlgCode(const MSG*) { return DLGC_WANTALLKEYS; }
    LRESULT OnSysKeyDown(UINT, WPARAM key, LPARAM);
    LRESULT OnSysChar(UINT, WPARAM key, LPARAM);
    void OnContextMenu(HWND, POINT);
    void OnDropFiles(HDROP drop);
    void OnMouseMove(UINT, POINT point);
    void OnLButtonUp(UINT, POINT);
    void OnKillFocus(HWND);
    LRESULT OnDragTick(UINT, WPARAM timerId, LPARAM);
    LRESULT OnNcCalcSize(BOOL, LPARAM);
    void OnDestroy();

    void OnCuePlay(UINT, int, HWND);
    void OnSpotPlay(UINT, int, HWND);
    void OnDelete(UINT, int, HWND);
    void OnClearTimes(UINT, int, HWND) { m_list.ClearCueTimes(SelectedIndices()); }
    void OnTimeSelected(UINT, int, HWND) { RecalculateTimes(SelectedIndices()); }
    void OnTimeAll(UINT, int, HWND);
    void OnOpenCueFile(UINT, int, HWND);
    void OnSaveCueFile(UINT, int, HWND);

    void DrawRow(const DRAWITEMSTRUCT& draw);
    void AddDroppedName(const std::wstring& path, int& insertAt);
    void AddFolder(const std::wstring& folder, int& insertAt);
    void AddAt(const std::wstring& path, int& insertAt);

    void DragOver(POINT point);
    void EndDrag();

    int FocusedItem() const;
    std::vector<int> SelectedIndices() const;
    void SetItemState(int item, UINT state, UINT mask);
    void RecalculateTimes(const std::vector<int>& indices);
    HWND MainWindow() const { return ::GetParent(m_hWnd); }

    CCueList m_list;
    CPlayerCore& m_engine;
    AppSettings& m_settings;
    CTimer m_scrollTimer;
    int m_dragSource = -1;                    // -1: no drag
    int m_dragTarget = -1;
};
