#include "timeview/win32/TimeView.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "ui/DroppedFiles.h"
#include "ui/Menu.h"
#include "ui/PlaceWindow.h"
#include "ui/SystemInfo.h"

namespace {
constexpr UINT kRefreshMs = 10;
constexpr DWORD kJogTipMs = 2000;
constexpr DWORD kFloatingStyle = WS_POPUP | WS_BORDER | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kFloatingExStyle = WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
// Enabled once a file with a length has started.
const int kCueControls[] = {IDC_TIME_EDIT, IDC_TIME_PLAY, IDC_TIME_STOP, IDC_TIME_INST, IDC_TIME_JOG};

SIZE SizeOf(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }
}  // namespace

CTimeView::CTimeView(CPlayerCore& engine, AppSettings& settings)
    : m_engine(engine), m_settings(settings), m_timer(WM_TIMEVIEW_TICK, 1) {}

CTimeView::~CTimeView() {
    m_timer.Stop();
    if (m_displayFont) ::DeleteObject(m_displayFont);
    if (m_memoryDC) {
        ::SelectObject(m_memoryDC, m_oldBitmap);
        ::DeleteDC(m_memoryDC);
    }
    if (m_memoryBitmap) ::DeleteObject(m_memoryBitmap);
}

BOOL CTimeView::OnInitDialog(HWND, LPARAM) {
    m_main = ::GetWindow(m_hWnd, GW_OWNER);
    m_mode = m_settings.TimeMode & 3;
    CWindow display = GetDlgItem(IDC_TIME_DISPLAY);
    if (m_displayFont) display.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_displayFont), TRUE);

    // The play time is drawn into this bitmap and copied to the screen in one piece.
    const RECT client = display.GetClientRect();
    HDC dc = ::GetDC(display);
    m_memoryDC = ::CreateCompatibleDC(dc);
    m_memoryBitmap = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
    ::ReleaseDC(display, dc);
    m_oldBitmap = ::SelectObject(m_memoryDC, m_memoryBitmap);
    ::SetBkColor(m_memoryDC, ::GetSysColor(COLOR_BTNFACE));
    ::FillRect(m_memoryDC, &client, ::GetSysColorBrush(COLOR_BTNFACE));

    m_edit = GetDlgItem(IDC_TIME_EDIT);
    ::SendMessageW(m_edit, TEM_SETFORMAT, UnitMinutes, -1);
    ::SendMessageW(m_edit, EM_LIMITTEXT, 100, 0);  // minutes up to 99, no carry
    if (!m_displayFont) {
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), sizeof font, &font);
        font.lfHeight -= 2;
        m_displayFont = ::CreateFontIndirectW(&font);
    }
    ::SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_displayFont), TRUE);

    m_fullClient = SizeOf(GetClientRect());
    m_seekBarShown = true;
    // Not docked yet, whatever the docked flag says.
    if (!(m_settings.WindowConfig & WindowShowSeekBar)) ToggleSeekBar(false);

    m_seekBar.SubclassWindow(GetDlgItem(IDC_SEEKBAR));
    ::SetWindowLongW(m_seekBar, GWL_STYLE, ::GetWindowLongW(m_seekBar, GWL_STYLE) | TBS_DOWNISLEFT);
    // Classic style except on Windows 2000, and on Vista and later only when asked for.
    if (!IsWindows2000() && (!IsVistaOrLater() || (m_settings.AppConfig & AppTimeViewTheme))) DrawWithoutVisualStyles(m_seekBar);

    UpdateSeekRange();
    ShowEditPosition();

    m_titleBarWanted = (m_settings.WindowConfig & WindowShowTitleBar) != 0;
    if (!m_titleBarWanted) ToggleTitleBar(true);

    if ((m_settings.WindowConfig & WindowDockTimeView) || m_docked) {
        Dock();
    } else {
        const WindowRect& stored = m_settings.TimeViewPos;
        PlaceWindow(m_hWnd, {stored.left, stored.top, 0, 0}, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    ShowPlayTime();
    SetWindowText(L"Stop");
    ShowWindow(SW_SHOWNOACTIVATE);
    NotifyPlayStarted();
    return FALSE;
}

void CTimeView::OnDestroy() {
    NotifyPlayStopped();
    if (m_docked) {
        ::PostMessageW(m_main, WM_DOCK_TIMEVIEW, 0, 0);
    } else {
        RECT r = GetWindowRect();
        m_settings.TimeViewPos = {r.left, r.top, r.right, r.bottom};
    }
    SetWindowConfig(WindowDockTimeView, m_docked);
    ::SelectObject(m_memoryDC, m_oldBitmap);
    ::DeleteDC(m_memoryDC);
    ::DeleteObject(m_memoryBitmap);
    m_memoryDC = nullptr;
    m_memoryBitmap = nullptr;
    m_jogTip = nullptr;
}

void CTimeView::SetWindowConfig(int32_t bit, bool on) {
    if (on)
        m_settings.WindowConfig |= bit;
    else
        m_settings.WindowConfig &= ~bit;
}

void CSeekBar::MeasurePixels() {
    RECT channel{}, thumb{};
    SendMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const long pixels = std::max(1L, (channel.right - channel.left) - (thumb.right - thumb.left));
    const uint32_t range = RangeMax() - static_cast<uint32_t>(SendMessage(TBM_GETRANGEMIN));
    m_framesPerPixel = std::max<uint32_t>(1, range / static_cast<uint32_t>(pixels));
}

// ---- engine notifications and the refresh timer -------------------------------------------

void CTimeView::NotifyPlayStarted() {
    if (!IsWindow()) return;
    if (m_engine.GetDeviceState()) {
        m_rate = static_cast<uint32_t>(m_engine.GetOutputParams().sampleRate);
        UpdateSeekRange();
        m_timer.Start(m_hWnd, kRefreshMs);
        UpdateTitle();
    }
    if (m_engine.GetFormat()->totalFrames != 0)
        for (int id : kCueControls) ::EnableWindow(GetDlgItem(id), TRUE);
}

void CTimeView::NotifyPlayStopped() {
    if (!m_timer.IsRunning()) return;
    m_timer.Stop();
    if (!IsWindow()) return;
    UpdateTitle();
    if (m_engine.IsJogging()) StopJog();
}

// A tick that changes nothing costs a position query and a comparison.
LRESULT CTimeView::OnTick(UINT, WPARAM timerId, LPARAM) {
    if (!m_timer.IsTick(timerId) || !m_engine.GetDeviceState() || m_engine.IsSeeking()) return 0;
    m_playPosition = static_cast<uint32_t>(m_engine.GetPosition());
    const ClockTime shown = ClockOf(m_playPosition);
    if (shown != m_displayed) {
        m_displayed = shown;
        ShowPlayTime();
        m_seekBar.FollowPlay(m_playPosition);
    }
    if (m_jogTip && m_engine.IsJogging() && ::timeGetTime() - m_lastJogActivity > kJogTipMs)
        ::SendMessageW(m_jogTip, TTM_ACTIVATE, FALSE, 0);
    return 0;
}

// ---- what the window shows -------------------------------------------------------------

void CTimeView::ShowPlayTime() {
    ::SetDlgItemTextW(m_hWnd, IDC_TIME_DISPLAY, PlayTimeText(m_displayed, Mode()).c_str());
}

void CTimeView::ShowEditPosition() {
    ::SetDlgItemInt(m_hWnd, IDC_TIME_EDIT, static_cast<UINT>(EditNumber(ToTimeCode(ClockOf(m_cuePosition)))), TRUE);
}

void CTimeView::ReadEditPosition() {
    TimeCode t;
    ::SendMessageW(m_edit, TEM_GETTIME, 0, reinterpret_cast<LPARAM>(&t));
    m_cuePosition = EditToPosition(t, m_cuePosition, m_rate, Mode(), m_seekBar.RangeMax());
    ShowEditPosition();
}

void CTimeView::UpdateTitle() {
    if (!IsWindow()) return;
    switch (m_engine.GetPlayState()) {
    case PlayStopped: SetWindowText(L"Stop"); break;
    case PlayPaused: SetWindowText(L"Pause"); break;
    default: SetWindowText(L"Play"); break;
    }
}

void CTimeView::UpdateSeekRange() {
    if (!IsWindow()) return;
    const SeekRange r = SeekRangeFor(m_engine.GetFormat()->totalFrames, m_rate);
    if (r.max != 0) {
        m_seekBar.SendMessage(TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(r.max));
        m_seekBar.SendMessage(TBM_SETPAGESIZE, 0, static_cast<LPARAM>(r.page));
        m_seekBar.SendMessage(TBM_SETLINESIZE, 0, static_cast<LPARAM>(r.line));
        m_seekBar.MeasurePixels();
        m_seekBar.SetSelEnd(m_playPosition);
    } else {
        m_seekBar.SendMessage(TBM_SETRANGEMIN, FALSE, 0);
        m_seekBar.SendMessage(TBM_SETRANGEMAX, TRUE, 0);
    }
}

void CTimeView::OnDrawItem(int id, const DRAWITEMSTRUCT* draw) {
    if (id != IDC_TIME_DISPLAY) {
        SetMsgHandled(FALSE);
        return;
    }
    wchar_t text[64] = L"";
    ::GetWindowTextW(draw->hwndItem, text, 64);
    HGDIOBJ oldFont = ::SelectObject(m_memoryDC, m_displayFont);
    RECT r = draw->rcItem;
    ::FillRect(m_memoryDC, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawTextW(m_memoryDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::BitBlt(draw->hDC, 0, 0, r.right - r.left, r.bottom - r.top, m_memoryDC, 0, 0, SRCCOPY);
    ::SelectObject(m_memoryDC, oldFont);
}

void CTimeView::OnSysColorChange() { ::SetBkColor(m_memoryDC, ::GetSysColor(COLOR_BTNFACE)); }

// ---- the cue position ------------------------------------------------------------------

void CTimeView::OnEditChange(UINT code, int, HWND) {
    if (code != EN_CHANGE) return;
    ReadEditPosition();
    m_seekBar.SetPos(m_cuePosition);
    if (m_engine.IsJogging()) UpdateJogPoint();
}

void CTimeView::OnHScroll(UINT code, UINT, HWND bar) {
    if (bar != m_seekBar) return;
    if (code == TB_ENDTRACK) {
        ReadEditPosition();
        if (m_engine.IsJogging()) UpdateJogPoint();
    }
    if (m_engine.GetOutputParams().sampleRate != 0) {
        m_cuePosition = m_seekBar.Pos();
        ShowEditPosition();
    }
}

BOOL CTimeView::OnMouseWheel(UINT keys, short delta, POINT) {
    const uint32_t step = WheelStep(m_rate, delta, (keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0);
    if (::IsWindowEnabled(m_edit)) {
        m_cuePosition = WheelPosition(m_cuePosition, step, delta, m_seekBar.RangeMax());
        if (m_engine.IsJogging()) UpdateJogPoint();
        ShowEditPosition();
    }
    m_lastJogActivity = ::timeGetTime();
    return TRUE;
}

void CTimeView::OnTake(UINT, int, HWND) {
    m_cuePosition = m_playPosition;
    ShowEditPosition();
}

// ---- play, jog -------------------------------------------------------------------------

void CTimeView::OnPlay(UINT, int, HWND) {
    if (m_engine.GetPlayState() == PlayPaused) SendToMain(ID_STOP);
    if (m_engine.IsJogging()) {
        m_engine.Seek(static_cast<int32_t>(m_cuePosition));
        StopJog();  // the engine plays on from the jog point
        return;
    }
    // A running worker may take the seek before the Play command restarts the file, which
    // would then start from the beginning: the run stops first, so the restart finds it.
    if (m_engine.GetPlayState() == PlayPlaying) m_engine.Stop();
    m_engine.Seek(static_cast<int32_t>(m_cuePosition));
    SendToMain(ID_PLAY);
}

void CTimeView::OnJog(UINT code, int, HWND) {
    if (code != BN_CLICKED) return;
    if (::IsDlgButtonChecked(m_hWnd, IDC_TIME_JOG) == BST_CHECKED)
        JogFromCuePosition();
    else if (m_engine.GetDeviceState())
        SendToMain(ID_STOP);  // the stop ends the jog
    else
        StopJog();  // no run to stop
}

void CTimeView::OnInst(UINT, int, HWND) {
    if (m_engine.IsJogging()) return;
    m_cuePosition = m_playPosition;
    ShowEditPosition();
    ::CheckDlgButton(m_hWnd, IDC_TIME_JOG, BST_CHECKED);
    JogFromCuePosition();
}

void CTimeView::JogFromCuePosition() {
    UpdateJogPoint();
    StartJog();
    if (!m_engine.GetDeviceState()) SendToMain(ID_PLAY);
}

void CTimeView::UpdateJogPoint() {
    m_jogPoint = JogPoint(m_cuePosition, m_rate);
    m_engine.SetJogPosition(static_cast<int32_t>(m_jogPoint));
    ShowJogTip(m_jogPoint);
}

void CTimeView::StartJog() {
    if (!IsWindow()) return;
    m_engine.BeginJog(static_cast<int32_t>(m_jogPoint));
    m_jogTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, m_hWnd, nullptr, ResourceInstance(), nullptr);
    if (m_jogTip) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = m_hWnd;
        tool.rect = GetClientRect();
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(m_jogTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ShowJogTip(m_jogPoint);
    m_lastJogActivity = ::timeGetTime();
}

void CTimeView::StopJog() {
    if (!IsWindow()) return;
    if (m_jogTip) ::DestroyWindow(m_jogTip);
    m_jogTip = nullptr;
    m_engine.EndJog(static_cast<int32_t>(m_jogPoint));
    ::CheckDlgButton(m_hWnd, IDC_TIME_JOG, BST_UNCHECKED);
}

void CTimeView::ShowJogTip(uint32_t position) {
    if (!m_jogTip) return;
    std::wstring text = JogTipText(ClockOf(position + static_cast<uint32_t>(m_engine.GetJogLength())));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hWnd;
    tool.lpszText = text.data();
    ::SendMessageW(m_jogTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(m_jogTip, TTM_ACTIVATE, TRUE, 0);
    ::SendMessageW(m_jogTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

// ---- menu, modes, title bar and seek bar ----------------------------------------------

void CTimeView::OnContextMenu(HWND, POINT) {
    CMenu menu = CMenu::Load(IDR_MAINFRAME);
    HMENU popup = menu.SubMenu(2);
    if (!popup) return;
    if (m_docked)
        ::EnableMenuItem(popup, ID_TITLEBAR, MF_BYCOMMAND | MF_GRAYED);
    else if (m_settings.WindowConfig & WindowShowTitleBar)
        ::CheckMenuItem(popup, ID_TITLEBAR, MF_BYCOMMAND | MF_CHECKED);
    if (m_seekBarShown) ::CheckMenuItem(popup, ID_SEEKPANEL, MF_BYCOMMAND | MF_CHECKED);
    ::CheckMenuItem(popup, ID_TIMEMODE_NOFRAMES + Mode(), MF_BYCOMMAND | MF_CHECKED);
    POINT p{};
    ::GetCursorPos(&p);
    ::TrackPopupMenuEx(popup, 0, p.x, p.y, m_hWnd, nullptr);
    PostMessage(WM_NULL);
}

void CTimeView::OnTimeMode(UINT, int id, HWND) {
    static const int kFractionCounts[] = {75, 75, 30, 100};
    const int mode = id - ID_TIMEMODE_NOFRAMES;
    m_settings.TimeMode = mode;
    m_mode = mode;
    ::SendMessageW(m_edit, TEM_SETFRACTIONCOUNT, 0, kFractionCounts[mode]);
    ShowEditPosition();
    m_displayed = ClockOf(m_playPosition);
    ShowPlayTime();
}

void CTimeView::OnTitleBar(UINT, int, HWND) {
    if (m_docked) return;
    ToggleTitleBar(true);
    m_titleBarWanted = HasCaption();
    SetWindowConfig(WindowShowTitleBar, m_titleBarWanted);
}

int CTimeView::ToggleTitleBar(bool resize) {
    const int h = ::GetSystemMetrics(SM_CYSMCAPTION);
    RECT r = GetWindowRect();
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    if (HasCaption()) {
        ::SetWindowLongW(m_hWnd, GWL_STYLE, style & ~WS_CAPTION);
        r.top += h;
    } else {
        ::SetWindowLongW(m_hWnd, GWL_STYLE, style | WS_CAPTION);
        r.top -= h;
    }
    if (!resize) return h;
    RECT client = GetClientRect();
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    r.bottom = client.bottom + ::GetSystemMetrics(SM_CYDLGFRAME);
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    MoveWindow(r);
    return h;
}

SIZE CTimeView::FloatingWindowSize(SIZE client, bool caption) const {
    RECT r{0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&r, kFloatingStyle | (caption ? WS_CAPTION : 0), FALSE, kFloatingExStyle);
    return SizeOf(r);
}

void CTimeView::ToggleSeekBar(bool docked) {
    const RECT display = CWindow(GetDlgItem(IDC_TIME_DISPLAY)).GetWindowRect();
    RECT r = GetWindowRect();
    SIZE client = m_fullClient;
    if (m_seekBarShown) client = SizeOf(display);
    if (docked) {
        r.bottom = m_seekBarShown ? display.bottom : CWindow(GetDlgItem(IDC_TIME_JOG)).GetWindowRect().bottom + 1;
        MoveWindow({0, 0, r.right - r.left, r.bottom - r.top});
        ::SendMessageW(m_main, WM_RELAYOUT, 0, 0);
        const SIZE floating = FloatingWindowSize(client, (m_settings.WindowConfig & WindowShowTitleBar) != 0);
        m_floatingRect = {0, 0, floating.cx, floating.cy};
    } else {
        const SIZE w = FloatingWindowSize(client, HasCaption());
        SetWindowPos(nullptr, r.right - w.cx, r.bottom - w.cy, w.cx, w.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_seekBarShown = !m_seekBarShown;
    SetWindowConfig(WindowShowSeekBar, m_seekBarShown);
}

// ---- window placement, drops, docking --------------------------------------------------

void CTimeView::OnMoving(UINT, RECT* rect) {
    KeepMovingOnScreen(rect);
    SetMsgHandled(FALSE);
}

// The main dialog reads and releases a drop that has a name; one that cannot be read is
// left alone.
void CTimeView::OnDropFiles(HDROP drop) {
    if (!DroppedFiles(drop, 1).empty())
        ::SendMessageW(m_main, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    else
        FinishDrop(drop);
}

void CTimeView::Dock() {
    ::SetForegroundWindow(m_hWnd);
    ::LockSetForegroundWindow(LSFW_LOCK);
    ShowWindow(SW_HIDE);
    m_floatingRect = GetWindowRect();
    const RECT c = GetClientRect();
    if (HasCaption()) ToggleTitleBar(false);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (::GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongW(m_hWnd, GWL_EXSTYLE) & ~(WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME));
    ::SetParent(m_hWnd, m_main);
    ::SendMessageW(m_main, WM_NCACTIVATE, TRUE, 0);
    m_docked = true;
    SetWindowPos(nullptr, 0, 0, c.right, c.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::ShowWindowAsync(m_hWnd, SW_SHOW);
    ::PostMessageW(m_main, WM_DOCK_TIMEVIEW, reinterpret_cast<WPARAM>(m_hWnd), 1);
}

void CTimeView::Undock(POINT topLeft) {
    ::SetForegroundWindow(m_hWnd);
    ShowWindow(SW_HIDE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (::GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_CHILD) | WS_POPUP);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
    ::SetParent(m_hWnd, nullptr);
    // Owned by the main dialog again, so it stays above it and goes with it.
    ::SetWindowLongPtrW(m_hWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(m_main));
    m_docked = false;
    const int a = m_titleBarWanted ? ToggleTitleBar(false) : 0;
    const SIZE size = SizeOf(m_floatingRect);
    SetWindowPos(nullptr, topLeft.x, topLeft.y - a, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::ShowWindowAsync(m_hWnd, SW_SHOW);
    ::PostMessageW(m_main, WM_DOCK_TIMEVIEW, reinterpret_cast<WPARAM>(m_hWnd), 0);
}
