#pragma once
// The main dialog: the program's one top-level window, mostly hidden. Its window is the cue
// list; it owns the tray icon and receives every command (tray menu, accelerators, time
// view, cue list), the engine's end of play and the file a second start hands over.
#include <windows.h>

#include <string>

#include "app/win32/TrayIcon.h"
#include "cue/win32/CueSheet.h"
#include "engine/PlayerCore.h"
#include "platform/Library.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "setup/win32/SetupDialog.h"
#include "timeview/win32/TimeView.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

class CMainDlg : public CDialogImpl<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public CTrayIcon<CMainDlg> {
public:
    enum { IDD = IDD_MAIN };

    // The program-wide engine, settings and time view, which outlive the dialog.
    CMainDlg(CPlayerCore& engine, AppSettings& settings, CTimeView& timeView);
    ~CMainDlg() override;

    // The file to play next: the engine's path and the tooltip.
    void SetFile(const std::wstring& path);
    // Marks the window as the running instance's, for a second start to find.
    void MarkAsInstance(const wchar_t* name);

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override { return FALSE; }

    BEGIN_MSG_MAP(CMainDlg)
        MSG_WM_INITDIALOG(OnInitDialog)
        MSG_WM_DESTROY(OnDestroy)
        MSG_WM_DROPFILES(OnDropFiles)
        MSG_WM_COPYDATA(OnCopyData)
        MSG_WM_SIZE(OnSize)
        MSG_WM_MOVING(OnMoving)
        MSG_WM_GETMINMAXINFO(OnGetMinMaxInfo)
        MSG_WM_QUERYENDSESSION(OnQueryEndSession)
        MSG_WM_SYSCOLORCHANGE(OnSysColorChange)
        MESSAGE_HANDLER_EX(WM_TRAY_NOTIFY, OnTrayNotify)
        MESSAGE_HANDLER_EX(WM_RELOAD_ICONS, OnReloadIcons)
        MESSAGE_HANDLER_EX(WM_TRAY_TICK, OnAnimationTick)
        MESSAGE_HANDLER_EX(WM_PLAYER_END, OnPlayerEnd)
        MESSAGE_HANDLER_EX(m_taskbarCreatedMsg, OnTaskbarCreated)
        MESSAGE_HANDLER_EX(m_colorDepthMsg, OnColorDepthChanged)
        MESSAGE_HANDLER_EX(WM_DOCK_TIMEVIEW, OnDockTimeView)
        MESSAGE_HANDLER_EX(WM_RELAYOUT, OnRelayout)
        COMMAND_ID_HANDLER_EX(ID_FILE_OPEN, OnFileOpen)
        COMMAND_ID_HANDLER_EX(IDCANCEL, OnHide)
        COMMAND_ID_HANDLER_EX(ID_APP_EXIT, OnAppExit)
        COMMAND_ID_HANDLER_EX(ID_APP_ABOUT, OnAppAbout)
        COMMAND_ID_HANDLER_EX(ID_HELP, OnHelp)
        COMMAND_ID_HANDLER_EX(ID_TIMEVIEW, OnTimeView)
        COMMAND_ID_HANDLER_EX(ID_CUESHEETWINDOW, OnCueSheetWindow)
        COMMAND_ID_HANDLER_EX(ID_PLAY, OnPlay)
        COMMAND_ID_HANDLER_EX(ID_PAUSE, OnPause)
        COMMAND_ID_HANDLER_EX(ID_STOP, OnStop)
        COMMAND_ID_HANDLER_EX(ID_CUEPLAY, OnCuePlay)
        COMMAND_ID_HANDLER_EX(ID_SPOTPLAY, OnCuePlay)
        COMMAND_ID_HANDLER_EX(ID_SETUP, OnSetup)
        COMMAND_ID_HANDLER_EX(ID_SELECT_MME, OnSelectMme)
        COMMAND_RANGE_HANDLER_EX(ID_ASIO_FIRST, ID_ASIO_LAST, OnSelectAsio)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnDestroy();
    void OnDropFiles(HDROP drop);
    BOOL OnCopyData(HWND, const COPYDATASTRUCT* data);
    void OnSize(UINT, int cx, int cy);
    void OnMoving(UINT, RECT* rect);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    BOOL OnQueryEndSession();
    void OnSysColorChange();
    LRESULT OnPlayerEnd(UINT, WPARAM run, LPARAM);
    LRESULT OnDockTimeView(UINT, WPARAM timeView, LPARAM docked);
    LRESULT OnRelayout(UINT, WPARAM, LPARAM);

    void OnFileOpen(UINT = 0, int = 0, HWND = nullptr);
    void OnHide(UINT, int, HWND) { ShowWindow(SW_HIDE); }
    void OnAppExit(UINT = 0, int = 0, HWND = nullptr);
    void OnAppAbout(UINT, int, HWND);
    void OnHelp(UINT, int, HWND);
    void OnTimeView(UINT, int, HWND);
    void OnCueSheetWindow(UINT, int, HWND);
    void OnPlay(UINT = 0, int = 0, HWND = nullptr);
    void OnPause(UINT = 0, int = 0, HWND = nullptr);
    void OnStop(UINT = 0, int = 0, HWND = nullptr);
    void OnCuePlay(UINT, int, HWND);
    void OnSetup(UINT, int, HWND);
    void OnSelectMme(UINT, int, HWND) { m_settings.OutputDeviceSel = 0; }
    void OnSelectAsio(UINT, int id, HWND);

    // The width of the docked time view as a window of the cue list's style.
    int DockedWidth() const;

    CPlayerCore& m_engine;
    CTimeView& m_timeView;
    CCueSheet m_cueSheet;
    CSetupDialog m_setup;
    HWND m_dockedTimeView = nullptr;
    HACCEL m_accelerators = nullptr;
    platform::Library m_htmlHelp;
    std::wstring m_instanceName;
};
