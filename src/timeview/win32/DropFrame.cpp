#include "timeview/win32/DropFrame.h"

namespace {
constexpr int kThickness = 4;

// A one-pixel checkerboard; rows of a monochrome bitmap are 16-bit aligned.
HBRUSH CheckerBrush() {
    static const WORD kRows[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
    HBITMAP bitmap = ::CreateBitmap(8, 8, 1, 1, kRows);
    HBRUSH brush = ::CreatePatternBrush(bitmap);
    ::DeleteObject(bitmap);
    return brush;
}
}  // namespace

HWND CDropFrame::Create(HWND parent, const RECT& rect, DWORD style) {
    HINSTANCE instance = ResourceInstance();
    WNDCLASSEXW wc{};
    if (!::GetClassInfoExW(instance, GetWndClassName(), &wc)) {
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = GetWndClassName();
        if (!::RegisterClassExW(&wc)) return nullptr;
    }
    return CWindowImpl<CDropFrame>::Create(parent, rect, nullptr, style);
}

LRESULT CDropFrame::OnCreate(UINT, WPARAM, LPARAM lParam) {
    m_owner = reinterpret_cast<const CREATESTRUCTW*>(lParam)->hwndParent;
    RECT client = GetClientRect();
    RECT inner = client;
    ::InflateRect(&inner, -kThickness, -kThickness);
    HRGN ring = ::CreateRectRgnIndirect(&client);
    HRGN hole = ::CreateRectRgnIndirect(&inner);
    ::CombineRgn(ring, ring, hole, RGN_DIFF);
    ::DeleteObject(hole);
    if (!::SetWindowRgn(m_hWnd, ring, FALSE)) ::DeleteObject(ring);
    SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
    m_start = GetWindowRect();
    POINT cursor{};
    ::GetCursorPos(&cursor);
    m_cursorOffset = {cursor.x - m_start.left, cursor.y - m_start.top};
    m_moved = false;
    return 0;
}

LRESULT CDropFrame::OnPaint(UINT, WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT r = GetClientRect();
    HBRUSH brush = CheckerBrush();
    HGDIOBJ old = ::SelectObject(dc, brush);
    const int w = r.right - r.left, h = r.bottom - r.top;
    ::PatBlt(dc, r.left, r.top, w, kThickness, PATINVERT);
    ::PatBlt(dc, r.left, r.bottom - kThickness, w, kThickness, PATINVERT);
    ::PatBlt(dc, r.left, r.top + kThickness, kThickness, h - 2 * kThickness, PATINVERT);
    ::PatBlt(dc, r.right - kThickness, r.top + kThickness, kThickness, h - 2 * kThickness, PATINVERT);
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

void CDropFrame::Close() {
    ::ReleaseCapture();
    DestroyWindow();
}

void CDropFrame::OnKillFocus(HWND) { Close(); }

void CDropFrame::OnLButtonUp(UINT, POINT) {
    if (m_moved) ::SendMessageW(m_owner, WM_DROPFRAME_MOVED, 0, reinterpret_cast<LPARAM>(&m_newTopLeft));
    // The owner's taking the focus closes the frame; if it did not, the capture goes now.
    if (IsWindow()) Close();
}

void CDropFrame::OnMouseMove(UINT, POINT) {
    POINT c{};
    ::GetCursorPos(&c);
    const bool inside = c.x >= m_start.left && c.x <= m_start.right && c.y >= m_start.top && c.y <= m_start.bottom;
    if (inside) {
        SetWindowPos(nullptr, m_start.left, m_start.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_moved = false;
    } else {
        m_newTopLeft = {c.x - m_cursorOffset.x, c.y - m_cursorOffset.y};
        SetWindowPos(nullptr, m_newTopLeft.x, m_newTopLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_moved = true;
    }
}
