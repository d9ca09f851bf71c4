#include "app/win32/MainDlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "app/HandOver.h"
#include "app/win32/AboutDlg.h"
#include "ui/DroppedFiles.h"
#include "ui/FileDialog.h"
#include "ui/PlaceWindow.h"
#include "ui/SystemInfo.h"

namespace {
// Eight pairs of display text and pattern, each ending in a zero, the list in two.
const wchar_t kOpenFilter[] =
    L"Audio files\0*.wav;*.aif;*.aiff;*.mp1;*.mp2;*.mp3;*.rmp;*.wma;*.ogg;*.flac\0"
    L"\t\t\tWave files(*.wav)\0*.wav\0"
    L"\t\t\tAiff files(*.aif)\0*.aif;*.aiff\0"
    L"\t\t\tMpeg Audio files(*.mp1 *.mp2 *.mp3 *.rmp)\0*.mp1;*.mp2;*.mp3;*.rmp\0"
    L"\t\t\tWMA Audio files(*.wma)\0*.wma\0"
    L"\t\t\tOgg Vorbis files(*.ogg)\0*.ogg\0"
    L"\t\t\tFlac Lossless files(*.flac)\0*.flac\0"
    L"\t\t\tAll Files(*.*)\0*.*\0";

constexpr DWORD kDockStyle = WS_POPUP | WS_BORDER | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kDockExStyle = WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW;

using HtmlHelpFunc = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
constexpr UINT kHhDisplayTopic = 0;

void SetBit(int32_t& flags, int32_t bit, bool on) {
    if (on)
        flags |= bit;
    else
        flags &= ~bit;
}
}  // namespace

CMainDlg::CMainDlg(CPlayerCore& engine, AppSettings& settings, CTimeView& timeView)
    : CTrayIcon<CMainDlg>(settings, timeView),
      m_engine(engine),
      m_timeView(timeView),
      m_cueSheet(engine, settings),
      m_setup(settings, engine) {}

CMainDlg::~CMainDlg() {
    if (m_accelerators) ::DestroyAcceleratorTable(m_accelerators);
}

void CMainDlg::SetFile(const std::wstring& path) {
    m_engine.SetFilePath(path);
    SetTip(::PathFindFileNameW(path.c_str()));
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
    if (m_accelerators && ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg)) return TRUE;
    // Escape goes to the window as a key, so it neither closes nor hides a dialog.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) return FALSE;
    if (m_timeView.IsWindow() && ::IsDialogMessageW(m_timeView, msg)) return TRUE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

BOOL CMainDlg::OnInitDialog(HWND, LPARAM) {
    HINSTANCE instance = ResourceInstance();
    m_accelerators = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    for (auto [which, cx, cy] : {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}, std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
        HANDLE icon = ::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, ::GetSystemMetrics(cx),
                                   ::GetSystemMetrics(cy), LR_SHARED);
        SendMessage(WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
    if (CMessageLoop* loop = g_module.GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    const bool startedWithFile = !m_engine.GetFilePath().empty();
    if (startedWithFile) m_settings.FileStart = 1;
    m_settings.Load();
    CreateIcon();
    if (startedWithFile)
        OnPlay();
    else if (m_settings.AppConfig & AppOpenDialogAtStart)
        PostMessage(WM_COMMAND, ID_FILE_OPEN);

    m_cueSheet.Attach(GetDlgItem(IDC_CUELIST));
    PlaceWindow(m_hWnd, m_settings.CueWindowPos, SWP_NOACTIVATE | SWP_HIDEWINDOW);
    if (m_settings.WindowConfig & WindowShowCue) m_cueSheet.ShowCueWindow();
    if (m_settings.WindowConfig & WindowShowTimeView)
        m_timeView.Create(m_hWnd);
    else
        m_timeView.SetDocked((m_settings.WindowConfig & WindowDockTimeView) != 0);
    return FALSE;
}

void CMainDlg::MarkAsInstance(const wchar_t* name) {
    m_instanceName = name;
    ::SetPropW(m_hWnd, name, reinterpret_cast<HANDLE>(1));
}

void CMainDlg::OnDestroy() {
    // A second start from now on finds no window to hand its file to.
    if (!m_instanceName.empty()) ::RemovePropW(m_hWnd, m_instanceName.c_str());
    if (m_timeView.IsWindow()) m_timeView.DestroyWindow();
    OnStop();
    m_settings.Save();
    if (CMessageLoop* loop = g_module.GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    SetMsgHandled(FALSE);
}

void CMainDlg::OnDropFiles(HDROP drop) {
    const std::vector<std::wstring> first = DroppedFiles(drop, 1);
    if (!first.empty() && m_engine.IsSupportedFile(first[0])) {
        SetFile(first[0]);
        m_cueSheet.List().CutIn();
        OnPlay();
    }
    FinishDrop(drop);
}

BOOL CMainDlg::OnCopyData(HWND, const COPYDATASTRUCT* data) {
    // Any program can send this: only a well-formed path is taken.
    size_t length = data ? HandOverPathLength(data->lpData, data->cbData) : 0;
    if (length == 0) return TRUE;
    SetFile(std::wstring(static_cast<const wchar_t*>(data->lpData), length));
    m_cueSheet.List().CutIn();
    OnPlay();
    return TRUE;
}

void CMainDlg::OnSize(UINT, int cx, int cy) {
    CWindow list = GetDlgItem(IDC_CUELIST);
    if (!list) return;
    RECT r = list.GetRectIn(m_hWnd);
    r.top = 0;
    if (m_dockedTimeView) {
        CWindow docked = m_dockedTimeView;
        RECT view = docked.GetRectIn(m_hWnd);
        r.top = view.bottom;
        docked.MoveWindow(view);
    }
    r.right = cx;
    r.bottom = cy;
    list.MoveWindow(r);
    m_cueSheet.FitNameColumn();
}

void CMainDlg::OnMoving(UINT, RECT* rect) { KeepMovingOnScreen(rect); }

int CMainDlg::DockedWidth() const {
    RECT r = CWindow(m_dockedTimeView).GetWindowRect();
    ::AdjustWindowRectEx(&r, kDockStyle, FALSE, kDockExStyle);
    return r.right - r.left;
}

void CMainDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    if (m_dockedTimeView) info->ptMinTrackSize.x = DockedWidth();
}

BOOL CMainDlg::OnQueryEndSession() {
    OnStop();
    SendMessage(WM_COMMAND, ID_APP_EXIT);
    return TRUE;
}

void CMainDlg::OnSysColorChange() {
    if (m_timeView.IsWindow()) ::SendNotifyMessageW(m_timeView, WM_SYSCOLORCHANGE, 0, 0);
}

LRESULT CMainDlg::OnPlayerEnd(UINT, WPARAM run, LPARAM) {
    // Still queued when the user stopped or started another file: that run is over.
    if (!m_engine.IsCurrentRun(run)) return 0;
    int played = m_engine.GetPosition();
    std::wstring next;
    bool listGoesOn = false;
    {
        BusyScope busy(*this);
        if (m_cueSheet.List().IsCuePlay()) {
            if (played != 0) m_cueSheet.List().StoreMeasuredTime(played, m_engine.GetFormat()->sampleRate);
            listGoesOn = m_cueSheet.List().AdvanceCue(next);
        } else if (m_cueSheet.List().IsCutInPlay()) {
            listGoesOn = m_cueSheet.List().AdvanceCue(next);
        }
        if (!listGoesOn) OnStop();
    }
    if (listGoesOn) {
        SetFile(next);
        OnPlay();
    } else if (m_settings.CloseAtEnd) {
        SendMessage(WM_COMMAND, ID_APP_EXIT);
    }
    return 0;
}

LRESULT CMainDlg::OnDockTimeView(UINT, WPARAM timeView, LPARAM docked) {
    if (docked) {
        m_dockedTimeView = reinterpret_cast<HWND>(timeView);
        RECT r = GetWindowRect();
        int width = std::max<int>(DockedWidth(), r.right - r.left);
        MoveWindow({r.left, r.top, r.left + width, r.bottom});
    } else {
        m_dockedTimeView = nullptr;
    }
    return OnRelayout(0, 0, 0);
}

LRESULT CMainDlg::OnRelayout(UINT, WPARAM, LPARAM) {
    RECT client = GetClientRect();
    OnSize(SIZE_RESTORED, client.right, client.bottom);
    HWND list = GetDlgItem(IDC_CUELIST);
    ::InvalidateRect(list, nullptr, TRUE);
    ::UpdateWindow(list);
    return 0;
}

void CMainDlg::OnFileOpen(UINT, int, HWND) {
    BusyScope busy(*this);
    std::wstring path;
    if (AskFileName({false, L"Audioファイルを開く", kOpenFilter, L"wav", m_settings.LastPath.c_str(), OFN_FILEMUSTEXIST},
                    path)) {
        SetFile(path);
        std::wstring folder = path;
        ::PathRemoveFileSpecW(folder.data());
        m_settings.LastPath = folder.c_str();
        OnPlay();
    }
}

void CMainDlg::OnAppExit(UINT, int, HWND) {
    RECT r = GetWindowRect();
    m_settings.CueWindowPos = {r.left, r.top, r.right, r.bottom};
    SetBit(m_settings.WindowConfig, WindowShowCue, IsWindowVisible() != FALSE);
    SetBit(m_settings.WindowConfig, WindowShowTimeView, m_timeView.IsWindow() != FALSE);
    DestroyWindow();
    ::PostQuitMessage(0);
}

void CMainDlg::OnAppAbout(UINT, int, HWND) {
    BusyScope busy(*this);
    CAboutDlg about;
    about.DoModal(::GetActiveWindow());
}

void CMainDlg::OnHelp(UINT, int, HWND) {
    if (!m_htmlHelp.IsLoaded()) m_htmlHelp.Load(L"hhctrl.ocx");
    auto htmlHelp = reinterpret_cast<HtmlHelpFunc>(m_htmlHelp.Symbol("HtmlHelpW"));
    // Beside the program, not in whatever folder the shell started us in.
    std::wstring help = BesideProgram(L"Orvane.chm");
    if (!htmlHelp || !htmlHelp(m_hWnd, help.c_str(), kHhDisplayTopic, 0)) ::MessageBeep(MB_ICONWARNING);
}

void CMainDlg::OnTimeView(UINT, int, HWND) {
    if (m_timeView.IsWindow())
        m_timeView.DestroyWindow();
    else
        m_timeView.Create(m_hWnd);
}

void CMainDlg::OnCueSheetWindow(UINT, int, HWND) {
    if (IsWindowVisible())
        ShowWindow(SW_HIDE);
    else
        m_cueSheet.ShowCueWindow();
}

void CMainDlg::OnPlay(UINT, int, HWND) {
    const PlayState state = m_engine.GetPlayState();
    if (state != PlayStopped && m_engine.IsJogging()) m_timeView.StopJog();
    switch (state) {
    case PlayPaused:
        OnPause();
        return;
    case PlayPlaying:
        m_engine.Stop();
        break;
    case PlayStopped:
        break;
    }
    // A jog held to begin the run ends with a run that does not start, tip and box too.
    const bool jogging = m_engine.IsJogging();
    if (m_engine.Play(m_hWnd)) {
        PlayAnimation();
    } else {
        if (jogging) m_timeView.StopJog();
        OnStop();
    }
}

void CMainDlg::OnPause(UINT, int, HWND) {
    switch (m_engine.GetPlayState()) {
    case PlayPlaying:
        // The engine holds the run paused even where the device's own pause failed.
        m_engine.Pause(true);
        if (m_engine.GetPlayState() == PlayPaused) PauseAnimation();
        break;
    case PlayPaused:
        m_engine.Pause(false);
        PlayAnimation();
        break;
    case PlayStopped:
        break;
    }
}

void CMainDlg::OnStop(UINT, int, HWND) {
    m_engine.Stop();
    m_cueSheet.List().EndCuePlay();
    StopAnimation();
}

void CMainDlg::OnCuePlay(UINT, int, HWND) {
    BusyScope busy(*this);
    std::wstring path;
    if (m_cueSheet.List().SelectCurrentCue(path)) {
        m_engine.Stop();
        SetFile(path);
        OnPlay();
    }
}

void CMainDlg::OnSetup(UINT, int, HWND) {
    if (m_setup.IsOpen()) return;
    BusyScope busy(*this);
    m_setup.DoModal(::GetActiveWindow(), m_hWnd);
}

void CMainDlg::OnSelectAsio(UINT, int id, HWND) {
    m_settings.AsioOutputChannel = id - ID_ASIO_FIRST;
    m_settings.OutputDeviceSel = 1;
}
