#include "timeview/win32/TimeView.h"

#include "ui/PlaceWindow.h"

bool RegisterTimeEditClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TimeEditClass";
    return ::RegisterClassExW(&wc) != 0;
}

BOOL CTimeView::OnInitDialog(HWND, LPARAM) {
    // At the stored corner with its own size, shifted into the work area.
    const WindowRect& stored = m_settings.TimeViewPos;
    PlaceWindow(m_hWnd, {stored.left, stored.top, 0, 0}, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateTitle();
    ShowWindow(SW_SHOWNOACTIVATE);
    return FALSE;
}

void CTimeView::OnDestroy() {
    RECT r = GetWindowRect();
    m_settings.TimeViewPos = {r.left, r.top, r.right, r.bottom};
    if (m_docked)
        m_settings.WindowConfig |= WindowDockTimeView;
    else
        m_settings.WindowConfig &= ~WindowDockTimeView;
}

void CTimeView::UpdateTitle() {
    if (!IsWindow()) return;
    switch (m_engine.GetPlayState()) {
    case PlayStopped:
        SetWindowText(L"Stop");
        break;
    case PlayPaused:
        SetWindowText(L"Pause");
        break;
    default:
        SetWindowText(L"Play");
        break;
    }
}
