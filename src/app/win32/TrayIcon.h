#pragma once
// The notification-area icon: the file name as tooltip, the blink while a file plays or is
// paused, and the popup menu that carries every command. A base of the main dialog T,
// whose message map lists the On... handlers below; T provides its window (m_hWnd) and
// SetMsgHandled.
//
// The blink timer posts WM_TRAY_TICK; the step runs on the interface thread, so the icon
// record is never touched by two threads.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/TrayAnimation.h"
#include "platform/PathName.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "timeview/win32/TimeView.h"
#include "ui/Menu.h"
#include "ui/Messages.h"
#include "ui/SystemInfo.h"
#include "ui/Timer.h"
#include "ui/Window.h"

constexpr UINT kBlinkPeriodMs = 500;
// The output popup's place in the tray popup, counted back from its end (separator, Exit).
constexpr int kAudioOutFromEnd = 3;
constexpr const wchar_t* kNoFileTip = L"- No File -";

template <class T>
class CTrayIcon {
public:
    // The settings give the icon set and the output choice; the time view's state is shown
    // in the menu.
    CTrayIcon(AppSettings& settings, const CTimeView& timeView);
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    void CreateIcon();
    // Shown from the next play on; a file set before CreateIcon is the first tooltip.
    void SetTip(const std::wstring& fileName);
    // While one exists, the menu does not open: a modal dialog of ours is up, or the user
    // may be asked something. It puts back the flag it found, so the end of a file handled
    // inside an open dialog's loop does not clear the flag that dialog holds.
    class BusyScope {
    public:
        explicit BusyScope(CTrayIcon& tray) : m_tray(tray), m_before(tray.m_busy) { tray.m_busy = true; }
        ~BusyScope() { m_tray.m_busy = m_before; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CTrayIcon& m_tray;
        const bool m_before;
    };
    void LoadIcons();
    void PlayAnimation();
    void PauseAnimation();
    void StopAnimation();
    void RemoveIcon();

protected:
    LRESULT OnTrayNotify(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnReloadIcons(UINT, WPARAM, LPARAM);
    LRESULT OnTaskbarCreated(UINT, WPARAM, LPARAM);
    LRESULT OnColorDepthChanged(UINT, WPARAM, LPARAM);
    LRESULT OnAnimationTick(UINT, WPARAM timerId, LPARAM);

    const UINT m_taskbarCreatedMsg;
    const UINT m_colorDepthMsg;

private:
    HWND Owner() { return static_cast<T*>(this)->m_hWnd; }
    void SetIcon(int index);
    void AnimationStep();
    HICON LoadIconFile(int index, UINT loadFlags);
    void ShowPopupMenu();

protected:
    AppSettings& m_settings;  // the main dialog's too

private:
    const CTimeView& m_timeView;
    NOTIFYICONDATAW m_data{};
    CTrayAnimation m_animation;
    bool m_busy = false;
    HICON m_icons[4] = {};
    CTimer m_timer;
};

template <class T>
CTrayIcon<T>::CTrayIcon(AppSettings& settings, const CTimeView& timeView)
    : m_taskbarCreatedMsg(::RegisterWindowMessageW(kTaskbarCreatedName)),
      m_colorDepthMsg(::RegisterWindowMessageW(kTrayColorDepthChangedName)),
      m_settings(settings),
      m_timeView(timeView),
      m_timer(WM_TRAY_TICK, 10) {
    m_data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    ::lstrcpynW(m_data.szTip, kNoFileTip, ARRAYSIZE(m_data.szTip));
}

template <class T>
CTrayIcon<T>::~CTrayIcon() {
    m_timer.Stop();
    RemoveIcon();
    for (HICON& icon : m_icons)
        if (icon) ::DestroyIcon(icon);
}

template <class T>
void CTrayIcon<T>::CreateIcon() {
    LoadIcons();
    m_data.hWnd = Owner();
    m_data.uID = 0;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = WM_TRAY_NOTIFY;
    m_data.hIcon = m_icons[TrayIconNormal];
    m_data.uTimeout = 3;
    ::Shell_NotifyIconW(NIM_ADD, &m_data);
}

template <class T>
void CTrayIcon<T>::SetTip(const std::wstring& fileName) {
    ::lstrcpynW(m_data.szTip, fileName.c_str(), ARRAYSIZE(m_data.szTip));
}

template <class T>
void CTrayIcon<T>::SetIcon(int index) {
    m_data.hIcon = m_icons[index];
    m_data.uFlags = NIF_ICON;
    ::Shell_NotifyIconW(NIM_MODIFY, &m_data);
}

template <class T>
HICON CTrayIcon<T>::LoadIconFile(int index, UINT loadFlags) {
    std::wstring& name = m_settings.IconFile[index];
    // The folder beside the program, as the icon page lists it: a start from elsewhere
    // (the shell starting us for a file) must neither miss the icon nor forget its name.
    const std::wstring path = platform::JoinPath(BesideProgram(kIconFolderName), name);
    if (name.empty() || path.size() >= MAX_PATH) return nullptr;
    HICON icon = static_cast<HICON>(::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 16, 16, loadFlags | LR_LOADFROMFILE));
    // A file that is gone is forgotten, so the next save no longer names it.
    if (!icon) name.clear();
    return icon;
}

template <class T>
void CTrayIcon<T>::LoadIcons() {
    const bool userIcons = (m_settings.AppConfig & AppUserIcons) != 0;
    UINT flags = LR_DEFAULTCOLOR;
    if (!userIcons && !(m_settings.AppConfig & AppTrayColor256) && IsOlderThanXp()) flags |= LR_VGACOLOR;
    HINSTANCE instance = ResourceInstance();
    for (int i = 0; i < 4; ++i) {
        if (m_icons[i]) ::DestroyIcon(m_icons[i]);
        m_icons[i] = nullptr;
        if (userIcons && i < AppSettings::kIconFiles) m_icons[i] = LoadIconFile(i, flags);
        if (!m_icons[i]) {
            int resource = i == TrayIconBlinkOff ? IDI_TRAY_BLINKOFF : IDI_TRAY_NORMAL + i % 2;
            m_icons[i] = static_cast<HICON>(
                ::LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, 16, 16, flags));
        }
    }
}

template <class T>
void CTrayIcon<T>::AnimationStep() {
    SetIcon(m_animation.Step((m_settings.AppConfig & AppPauseIconBlink) != 0));
}

template <class T>
void CTrayIcon<T>::PlayAnimation() {
    if (m_animation.BeginPlay()) {
        m_data.uFlags = NIF_MESSAGE | NIF_TIP;
        ::Shell_NotifyIconW(NIM_MODIFY, &m_data);
    } else {
        m_timer.Stop();
    }
    if (!m_timer.IsRunning()) m_timer.Start(Owner(), kBlinkPeriodMs);
    AnimationStep();
}

template <class T>
void CTrayIcon<T>::PauseAnimation() {
    m_timer.Stop();
    m_animation.BeginPause();
    AnimationStep();
    m_timer.Start(Owner(), kBlinkPeriodMs);
}

template <class T>
void CTrayIcon<T>::StopAnimation() {
    m_timer.Stop();
    m_animation.Stop();
    SetIcon(TrayIconNormal);
}

template <class T>
void CTrayIcon<T>::RemoveIcon() {
    if (m_data.uFlags == 0) return;
    m_data.uFlags = 0;
    ::Shell_NotifyIconW(NIM_DELETE, &m_data);
}

template <class T>
LRESULT CTrayIcon<T>::OnAnimationTick(UINT, WPARAM timerId, LPARAM) {
    if (m_timer.IsTick(timerId)) AnimationStep();
    return 0;
}

template <class T>
LRESULT CTrayIcon<T>::OnTrayNotify(UINT, WPARAM, LPARAM lParam) {
    HWND popup = ::GetLastActivePopup(Owner());
    switch (lParam) {
    case WM_LBUTTONUP:
        ::SetForegroundWindow(popup);
        break;
    case WM_RBUTTONUP:
        ::SetForegroundWindow(popup);
        if (!m_busy) ShowPopupMenu();
        break;
    case WM_LBUTTONDBLCLK:
        if (m_busy)
            ::SetForegroundWindow(popup);
        else
            ::SendMessageW(Owner(), WM_COMMAND, ::GetKeyState(VK_SHIFT) < 0 ? ID_TIMEVIEW : ID_CUESHEETWINDOW, 0);
        break;
    default:
        static_cast<T*>(this)->SetMsgHandled(FALSE);
        break;
    }
    return 0;
}

template <class T>
LRESULT CTrayIcon<T>::OnReloadIcons(UINT, WPARAM, LPARAM) {
    LoadIcons();
    SetIcon(TrayIconNormal);
    return 0;
}

template <class T>
LRESULT CTrayIcon<T>::OnTaskbarCreated(UINT, WPARAM, LPARAM) {
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    ::Shell_NotifyIconW(NIM_ADD, &m_data);
    return 0;
}

template <class T>
LRESULT CTrayIcon<T>::OnColorDepthChanged(UINT, WPARAM, LPARAM) {
    SetIcon(TrayIconNormal);
    return 0;
}

template <class T>
void CTrayIcon<T>::ShowPopupMenu() {
    CMenu menu = CMenu::Load(IDR_MAINFRAME);
    HMENU main = menu.SubMenu(MENU_POPUP_TRAY);
    if (!main) return;
    HMENU audioOut = ::GetSubMenu(main, ::GetMenuItemCount(main) - kAudioOutFromEnd);
    if (audioOut && !m_settings.AsioDriverString.empty() && !m_settings.OutputName.empty()) {
        ::AppendMenuW(audioOut, MF_SEPARATOR, 0, nullptr);
        for (size_t i = 0; i < m_settings.OutputName.size() && i < MAX_ASIO_MENU_PAIRS; ++i)
            ::AppendMenuW(audioOut, MF_STRING, ID_ASIO_FIRST + i, m_settings.OutputName[i].c_str());
    }
    UINT output = m_settings.OutputDeviceSel ? ID_ASIO_FIRST + m_settings.AsioOutputChannel : ID_SELECT_MME;
    ::CheckMenuItem(main, output, MF_BYCOMMAND | MF_CHECKED);
    const bool timeView = m_timeView.IsWindow() != FALSE;
    const bool visible = ::IsWindowVisible(Owner()) != FALSE;
    if (timeView) ::CheckMenuItem(main, ID_TIMEVIEW, MF_BYCOMMAND | MF_CHECKED);
    if (visible) ::CheckMenuItem(main, ID_CUESHEETWINDOW, MF_BYCOMMAND | MF_CHECKED);
    // A docked time view lives inside the hidden cue window: toggling it would show nothing.
    if (m_timeView.IsDocked() && !visible) ::EnableMenuItem(main, ID_TIMEVIEW, MF_BYCOMMAND | MF_GRAYED);

    POINT at{};
    ::GetCursorPos(&at);
    if (!::MonitorFromPoint(at, MONITOR_DEFAULTTONULL)) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &info)) {
            if (at.x < info.rcWork.left) at.x = info.rcWork.left;
            if (at.x > info.rcWork.right) at.x = info.rcWork.right;
        }
    }
    ::TrackPopupMenuEx(main, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, at.x, at.y, Owner(), nullptr);
    ::PostMessageW(Owner(), WM_NULL, 0, 0);
}
