#pragma once
// The time view: a small tool window owned by the main dialog. It shows the play time,
// holds a cue position set by typing, the wheel or the seek bar, and plays, stops and jogs
// from it. It floats or docks into the main dialog (CDragDialogImpl). One object lives for
// the whole process; the main dialog creates and destroys its window.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>

#include "engine/PlayerCore.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "timeview/TimePosition.h"
#include "timeview/win32/DragDialog.h"
#include "timeview/win32/TimeEdit.h"
#include "ui/Messages.h"
#include "ui/Timer.h"
#include "ui/Window.h"

// The seek bar: a trackbar that hands wheel turns to the time view.
class CSeekBar : public CWindowImpl<CSeekBar> {
public:
    uint32_t RangeMax() { return static_cast<uint32_t>(SendMessage(TBM_GETRANGEMAX)); }
    uint32_t Pos() { return static_cast<uint32_t>(SendMessage(TBM_GETPOS)); }
    void SetPos(uint32_t p) { SendMessage(TBM_SETPOS, TRUE, static_cast<LPARAM>(p)); }
    void SetSelEnd(uint32_t p) {
        m_selEnd = p;
        SendMessage(TBM_SETSELEND, TRUE, static_cast<LPARAM>(p));
    }
    // The selection shows how far play has come. The trackbar redraws itself whole on every
    // change, the dearest part of the refresh, so the end moves on only by whole pixels
    // (and back at once).
    void FollowPlay(uint32_t p) {
        if (p < m_selEnd || p - m_selEnd >= m_framesPerPixel) SetSelEnd(p);
    }
    // After the range or the size changed.
    void MeasurePixels();

    BEGIN_MSG_MAP(CSeekBar)
        MESSAGE_HANDLER_EX(WM_MOUSEWHEEL, OnMouseWheel)
    END_MSG_MAP()

private:
    LRESULT OnMouseWheel(UINT msg, WPARAM wParam, LPARAM lParam) {
        return ::SendMessageW(::GetParent(m_hWnd), msg, wParam, lParam);
    }

    uint32_t m_selEnd = 0;
    uint32_t m_framesPerPixel = 1;
};

class CTimeView : public CDragDialogImpl<CTimeView>, public CPlayerListener {
public:
    enum { IDD = IDD_TIMEVIEW };

    CTimeView(CPlayerCore& engine, AppSettings& settings);
    ~CTimeView();

    void NotifyPlayStarted() override;
    void NotifyPauseChanged() override { UpdateTitle(); }
    void NotifyPlayStopped() override;
    void StopJog();

    // Used by the docking base.
    HWND MainWindow() const { return m_main; }
    void Dock();
    void Undock(POINT topLeft);

    BEGIN_MSG_MAP(CTimeView)
        MSG_WM_INITDIALOG(OnInitDialog)
        MSG_WM_DESTROY(OnDestroy)
        MSG_WM_DROPFILES(OnDropFiles)
        MSG_WM_DRAWITEM(OnDrawItem)
        MSG_WM_CONTEXTMENU(OnContextMenu)
        MESSAGE_HANDLER_EX(WM_LBUTTONDBLCLK, OnLButtonDblClk)
        MSG_WM_MOVING(OnMoving)
        MSG_WM_HSCROLL(OnHScroll)
        MSG_WM_MOUSEWHEEL(OnMouseWheel)
        MSG_WM_SYSCOLORCHANGE(OnSysColorChange)
        MESSAGE_HANDLER_EX(WM_TIMEVIEW_TICK, OnTick)
        COMMAND_ID_HANDLER_EX(IDCANCEL, OnCancel)
        COMMAND_ID_HANDLER_EX(ID_TITLEBAR, OnTitleBar)
        COMMAND_ID_HANDLER_EX(ID_SEEKPANEL, OnSeekPanel)
        COMMAND_ID_HANDLER_EX(IDC_TIME_EDIT, OnEditChange)
        COMMAND_ID_HANDLER_EX(IDC_TIME_TAKE, OnTake)
        COMMAND_ID_HANDLER_EX(IDC_TIME_PLAY, OnPlay)
        COMMAND_ID_HANDLER_EX(IDC_TIME_STOP, OnStop)
        COMMAND_ID_HANDLER_EX(IDC_TIME_INST, OnInst)
        COMMAND_ID_HANDLER_EX(IDC_TIME_JOG, OnJog)
        COMMAND_RANGE_HANDLER_EX(ID_TIMEMODE_NOFRAMES, ID_TIMEMODE_HUNDREDTHS, OnTimeMode)
        CHAIN_MSG_MAP(CDragDialogImpl<CTimeView>)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnDestroy();
    void OnDropFiles(HDROP drop);
    void OnDrawItem(int id, const DRAWITEMSTRUCT* draw);
    void OnContextMenu(HWND, POINT);
    LRESULT OnLButtonDblClk(UINT, WPARAM, LPARAM) { ToggleSeekBar(m_docked); return 0; }
    void OnMoving(UINT, RECT* rect);
    void OnHScroll(UINT code, UINT, HWND bar);
    BOOL OnMouseWheel(UINT keys, short delta, POINT);
    void OnSysColorChange();
    LRESULT OnTick(UINT, WPARAM timerId, LPARAM);
    void OnCancel(UINT, int, HWND) { DestroyWindow(); }
    void OnTitleBar(UINT, int, HWND);
    void OnSeekPanel(UINT, int, HWND) { ToggleSeekBar(m_docked); }
    void OnEditChange(UINT code, int, HWND);
    void OnTake(UINT, int, HWND);
    void OnPlay(UINT, int, HWND);
    void OnStop(UINT, int, HWND) { ::SendMessageW(m_main, WM_COMMAND, ID_STOP, 0); }
    void OnInst(UINT, int, HWND);
    void OnJog(UINT code, int, HWND);
    void OnTimeMode(UINT, int id, HWND);


    int32_t Mode() const { return m_mode; }
    ClockTime ClockOf(uint32_t position) const { return PositionToClock(position, m_rate, Mode()); }
    void ShowEditPosition();
    void ReadEditPosition();
    void ShowPlayTime();
    void UpdateTitle();
    void UpdateSeekRange();
    void UpdateJogPoint();
    void StartJog();
    void ShowJogTip(uint32_t position);
    void JogFromCuePosition();
    void SendToMain(UINT command) { ::SendMessageW(m_main, WM_COMMAND, command, 0); }
    void SetWindowConfig(int32_t bit, bool on);
    // Removes or adds the caption; with resize the client area stays where it is on the
    // screen. Returns the small caption height.
    int ToggleTitleBar(bool resize);
    // Hides or shows the seek bar row, keeping the window's bottom-right corner when
    // floating and sizing the docked window and its floating size when docked.
    void ToggleSeekBar(bool docked);
    // A client size as this window's floating window size.
    SIZE FloatingWindowSize(SIZE client, bool caption) const;
    bool HasCaption() const { return (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION; }

    CPlayerCore& m_engine;
    AppSettings& m_settings;
    CTimer m_timer;
    HWND m_main = nullptr;
    HWND m_edit = nullptr;
    CSeekBar m_seekBar;
    HWND m_jogTip = nullptr;
    bool m_seekBarShown = true;
    HFONT m_displayFont = nullptr;
    HDC m_memoryDC = nullptr;
    HBITMAP m_memoryBitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    uint32_t m_rate = 44100;
    int32_t m_mode = TimeModeCdFrames;
    uint32_t m_playPosition = 0;
    uint32_t m_lastJogActivity = 0;
    ClockTime m_displayed;  // the play time shown
    uint32_t m_cuePosition = 0;
    uint32_t m_jogPoint = 0;
};
