#include "timeview/win32/TimeEdit.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <cwchar>

namespace {
const wchar_t kClassName[] = L"TimeEditClass";
const wchar_t kObjectProperty[] = L"CPP_CLASS";
constexpr int kSpinId = 1;
constexpr int kSpinWidth = 15;
constexpr int kCopyChars = 32;

std::wstring FieldText(const wchar_t* format, int value) {
    wchar_t s[8];
    std::swprintf(s, 8, format, value);
    return s;
}

// Extent of text drawn from (x, top) on one line.
RECT Measure(HDC dc, const std::wstring& text, int x, int top) {
    RECT r{x, top, x, top};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return r;
}

void Line(HDC dc, int colour, int x0, int y0, int x1, int y1) {
    HPEN pen = ::CreatePen(PS_SOLID, 1, ::GetSysColor(colour));
    HGDIOBJ old = ::SelectObject(dc, pen);
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
    ::SelectObject(dc, old);
    ::DeleteObject(pen);
}

// One pixel ring: topLeft colour along the top and left, bottomRight along the others.
void Ring(HDC dc, RECT r, int topLeft, int bottomRight) {
    Line(dc, topLeft, r.left, r.bottom - 1, r.left, r.top);
    Line(dc, topLeft, r.left, r.top, r.right, r.top);
    Line(dc, bottomRight, r.left, r.bottom - 1, r.right, r.bottom - 1);
    Line(dc, bottomRight, r.right - 1, r.top, r.right - 1, r.bottom);
}

// A DC of the window with the control's font selected for as long as it lives.
class FontDC {
public:
    FontDC(HWND window, HFONT font) : m_window(window), m_dc(::GetDC(window)) {
        m_old = ::SelectObject(m_dc, font ? font : ::GetStockObject(SYSTEM_FONT));
    }
    ~FontDC() {
        ::SelectObject(m_dc, m_old);
        ::ReleaseDC(m_window, m_dc);
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_old;
};
}  // namespace

bool RegisterTimeEditClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = TimeEdit::WindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc) != 0;
}

LRESULT CALLBACK TimeEdit::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TimeEdit*>(::GetPropW(hWnd, kObjectProperty));
    if (!self) {
        if (msg == WM_NCCREATE) {
            self = new TimeEdit(hWnd);
            ::SetPropW(hWnd, kObjectProperty, self);
        }
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(hWnd, kObjectProperty);
        delete self;
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    if (self->Dispatch(hWnd, msg, wParam, lParam, result)) return result;
    return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

LRESULT TimeEdit::OnCreate(UINT, WPARAM, LPARAM lParam) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    m_spin = ::CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | UDS_AUTOBUDDY, create->cx - kSpinWidth, 0,
                               kSpinWidth, create->cy, m_window, reinterpret_cast<HMENU>(kSpinId),
                               create->hInstance, nullptr);
    ::SendMessageW(m_spin, UDM_SETRANGE32, 0, m_model.FractionLimit());
    m_created = {create->cx, create->cy};
    // A control made disabled gets no WM_ENABLE until it is enabled; it paints greyed.
    m_enabled = (create->style & WS_DISABLED) == 0;
    m_model.SetFormat(UnitHours, UnitFraction);
    if (create->lpszName && !IS_INTRESOURCE(create->lpszName) && *create->lpszName) SetText(create->lpszName);
    ::ImmAssociateContext(m_window, nullptr);
    m_model.SaveValue();
    m_model.LoseFocus();
    return 1;
}

LRESULT TimeEdit::OnDestroy(UINT, WPARAM, LPARAM) {
    if (m_spin) ::DestroyWindow(m_spin);
    m_spin = nullptr;
    return 0;
}

LRESULT TimeEdit::OnSetFocus(UINT, WPARAM, LPARAM) {
    m_model.Focus();
    m_hasFocus = true;
    RepaintText();
    return 0;
}

LRESULT TimeEdit::OnKillFocus(UINT, WPARAM, LPARAM) {
    m_hasFocus = false;
    m_model.LoseFocus();
    RepaintText();
    return 0;
}

// The spin goes with the control: one created disabled would otherwise stay so.
LRESULT TimeEdit::OnEnable(UINT, WPARAM wParam, LPARAM) {
    m_enabled = wParam != 0;
    if (m_spin && m_spinShown) ::EnableWindow(m_spin, m_enabled);
    ::InvalidateRect(m_window, nullptr, FALSE);
    return 0;
}

LRESULT TimeEdit::OnNotify(UINT, WPARAM, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->hwndFrom != m_spin) return 0;
    if (header->code == UDN_DELTAPOS) {
        m_model.Step(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
        RepaintField(m_model.CurrentField());
        NotifyChange(false);
    }
    ::SetFocus(m_window);
    return 1;
}

LRESULT TimeEdit::OnLButtonDown(UINT, WPARAM, LPARAM lParam) {
    if (!m_enabled) {
        ::MessageBeep(0xFFFFFFFF);
        return 0;
    }
    const POINT p = PointFromLParam(lParam);
    int hit = -1;
    for (int i = 0; i < static_cast<int>(m_fields.size()); ++i)
        if (::PtInRect(&m_fields[i], p)) hit = i;
    const int old = m_model.CurrentField();
    if (m_model.Click(hit)) {
        RepaintField(old);
        RepaintField(m_model.CurrentField());
    }
    ::SetFocus(m_window);
    return 0;
}

LRESULT TimeEdit::OnKeyDown(UINT, WPARAM wParam, LPARAM) {
    if (!m_enabled) {
        ::MessageBeep(0xFFFFFFFF);
        return 0;
    }
    const bool wasPending = m_model.PendingDigit() >= 0;
    const TimeEditModel::KeyResult r = m_model.Key(static_cast<uint32_t>(wParam));
    if (r.digit) {
        if (r.refused) ::MessageBeep(0xFFFFFFFF);
        if (wasPending)
            RepaintText();
        else
            RepaintField(m_model.CurrentField());
        NotifyChange(false);
        return 0;
    }
    if (r.oldField != m_model.CurrentField()) {
        RepaintField(r.oldField);
        RepaintField(m_model.CurrentField());
    }
    if (r.valueChanged) {
        RepaintField(m_model.CurrentField());
        NotifyChange(false);
    }
    if (::GetKeyState(VK_CONTROL) < 0) {
        if (wParam == 0x43) Copy();
        if (wParam == 0x56) Paste();
    }
    return 0;
}

LRESULT TimeEdit::OnSetFont(UINT, WPARAM wParam, LPARAM lParam) {
    m_font = reinterpret_cast<HFONT>(wParam);
    Layout();
    ::InvalidateRect(m_window, nullptr, LOWORD(lParam) != 0);
    return 0;
}

LRESULT TimeEdit::OnSetText(UINT, WPARAM, LPARAM lParam) {
    SetText(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
    return TRUE;
}

void TimeEdit::SetText(const std::wstring& text) {
    if (!m_model.SetText(text)) return;
    NotifyChange(true);
}

LRESULT TimeEdit::OnGetText(UINT msg, WPARAM size, LPARAM buffer) {
    if (!buffer || size <= static_cast<WPARAM>(3 * m_model.FieldCount())) return 0;
    const std::wstring text = m_model.Text(msg == TEM_GETTEXTSEP);
    // The text always fits: at most three characters per field.
    wcscpy(reinterpret_cast<wchar_t*>(buffer), text.c_str());
    // The separated text answers with what it wrote, not the two digits per field.
    return msg == TEM_GETTEXTSEP ? static_cast<LRESULT>(text.size()) : 2 * m_model.FieldCount();
}

LRESULT TimeEdit::OnSetCursor(UINT, WPARAM, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) {
        SetMsgHandled(FALSE);
        return 0;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
}

LRESULT TimeEdit::OnSetFormat(UINT, WPARAM first, LPARAM last) {
    m_model.SetFormat(static_cast<int32_t>(first), static_cast<int32_t>(last));
    Layout();
    return 0;
}

LRESULT TimeEdit::OnGetTime(UINT, WPARAM, LPARAM lParam) {
    if (lParam) *reinterpret_cast<TimeCode*>(lParam) = m_model.Value();
    return 0;
}

LRESULT TimeEdit::OnSetLayout(UINT, WPARAM autoSize, LPARAM spinShown) {
    m_autoSize = autoSize != 0;
    m_spinShown = LOWORD(spinShown) != 0;
    Layout();
    return 0;
}

LRESULT TimeEdit::OnSetFractionCount(UINT, WPARAM, LPARAM count) {
    const int32_t limit = m_model.SetFractionCount(static_cast<int32_t>(count));
    if (m_spin) ::SendMessageW(m_spin, UDM_SETRANGE32, 0, limit);
    return limit;
}

LRESULT TimeEdit::OnLimitText(UINT, WPARAM count, LPARAM carry) {
    m_model.SetMinutesCount(static_cast<uint32_t>(count), carry != 0);
    return 0;
}

void TimeEdit::Layout() {
    FontDC dc(m_window, m_font);
    std::wstring whole;
    for (int i = 0; i < m_model.FieldCount(); ++i)
        whole += FieldText(L"%02d", m_model.Value()[m_model.FieldUnit(i)]) + m_model.Separator(i);
    const RECT all = Measure(dc, whole, 0, 0);
    const int textWidth = all.right, textHeight = all.bottom;

    const int h = std::max<int>(m_created.cy, textHeight + 2);
    int w = m_created.cx;
    const int border = ::GetSystemMetrics(SM_CXBORDER);
    if (m_spinShown) {
        if (m_autoSize) {
            w = std::max(w, textWidth + 6) + kSpinWidth;
            ::SetWindowPos(m_window, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            w = std::max(w, textWidth + border + 21);
        }
    }

    ::GetClientRect(m_window, &m_text);
    ::InflateRect(&m_text, -2, -2);
    if (m_spinShown) m_text.right -= kSpinWidth;
    m_text.top = (m_text.bottom - textHeight + 1) / 2;
    int indent = 2;
    if (::GetWindowLongW(m_window, GWL_STYLE) & 0x1) indent = (m_text.right - m_text.left - textWidth + 1) / 2 + (m_autoSize ? 2 : 0);
    m_text.left = border + 2 + indent;

    m_fields.clear();
    int x = m_text.left;
    for (int i = 0; i < m_model.FieldCount(); ++i) {
        RECT r = Measure(dc, FieldText(L"%02d", m_model.Value()[m_model.FieldUnit(i)]) + m_model.Separator(i), x, m_text.top);
        m_fields.push_back(r);
        x = r.right;
    }

    if (m_spin) {
        if (m_spinShown) {
            ::SetWindowPos(m_spin, nullptr, w - 17, 2, kSpinWidth, h - 4, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            ::EnableWindow(m_spin, ::IsWindowEnabled(m_window));
        } else {
            ::SetWindowPos(m_spin, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        }
    }
    RepaintText();
}

LRESULT TimeEdit::OnPaint(UINT, WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_window, &ps);
    RECT client;
    ::GetClientRect(m_window, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    Ring(dc, client, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT);
    RECT inner = client;
    ::InflateRect(&inner, -1, -1);
    Ring(dc, inner, COLOR_BTNSHADOW, COLOR_3DLIGHT);
    ::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = ::SelectObject(dc, m_font ? m_font : ::GetStockObject(SYSTEM_FONT));

    const int plain = m_enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT;
    int x = m_text.left;
    for (int i = 0; i < m_model.FieldCount(); ++i) {
        const int value = m_model.Value()[m_model.FieldUnit(i)];
        const bool selected = m_hasFocus && m_enabled && i == m_model.CurrentField();
        // A single typed digit shows right-aligned, the second place still empty.
        const wchar_t* format = selected && m_model.PendingDigit() >= 0 ? L"%2d" : L"%02d";
        const std::wstring text = FieldText(format, value);
        RECT r = Measure(dc, text, x, m_text.top);
        if (selected) ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : plain));
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_RIGHT | DT_SINGLELINE);
        // Every field takes the width of two digits.
        RECT cell = Measure(dc, L"00", x, m_text.top);
        const std::wstring separator(1, m_model.Separator(i));
        RECT s = Measure(dc, separator, cell.right, m_text.top);
        ::SetTextColor(dc, ::GetSysColor(plain));
        ::DrawTextW(dc, separator.c_str(), 1, &s, DT_SINGLELINE);
        x = s.right;
    }
    ::SelectObject(dc, oldFont);
    ::EndPaint(m_window, &ps);
    return 0;
}

void TimeEdit::Notify(WORD code) {
    ::SendNotifyMessageW(::GetParent(m_window), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_window), code),
                         reinterpret_cast<LPARAM>(m_window));
}

void TimeEdit::NotifyChange(bool wholeText) {
    Notify(EN_UPDATE);
    if (wholeText)
        RepaintText();
    else
        ::UpdateWindow(m_window);
    Notify(EN_CHANGE);
}

void TimeEdit::RepaintField(int field) {
    if (field < 0 || field >= static_cast<int>(m_fields.size())) return;
    ::InvalidateRect(m_window, &m_fields[field], TRUE);
}

void TimeEdit::RepaintText() {
    // Fields wider than the text rectangle (a large font) reach past it.
    RECT r = m_text;
    for (const RECT& field : m_fields) ::UnionRect(&r, &r, &field);
    ::InvalidateRect(m_window, &r, TRUE);
    ::UpdateWindow(m_window);
}

void TimeEdit::Copy() {
    const std::wstring text = m_model.Text(false).substr(0, kCopyChars);
    char ansi[kCopyChars * 2 + 1] = {};
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi,
                                             sizeof ansi - 1, nullptr, nullptr);
    if (!::OpenClipboard(m_window)) return;
    ::EmptyClipboard();
    if (HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 1)) {
        if (void* bytes = ::GlobalLock(block)) {
            memcpy(bytes, ansi, length);
            ::GlobalUnlock(block);
            if (!::SetClipboardData(CF_TEXT, block)) ::GlobalFree(block);
        } else {
            ::GlobalFree(block);
        }
    }
    ::CloseClipboard();
}

void TimeEdit::Paste() {
    if (!::IsClipboardFormatAvailable(CF_TEXT) || !::OpenClipboard(m_window)) return;
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) {
            // Clipboard text need not end in a zero within its block.
            const int size = static_cast<int>(strnlen(bytes, ::GlobalSize(data)));
            text.resize(size);
            text.resize(::MultiByteToWideChar(CP_ACP, 0, bytes, size, text.data(), size));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    SetText(text);
}
