#include "ui/Window.h"

#include <commctrl.h>

#include "ui/MessageLoop.h"

namespace {
// The property that leads from a window to its object.
const wchar_t kObjectProperty[] = L"Orvane.WindowObject";

// The control a notification comes from, or null when the message is not one.
HWND NotificationSource(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_NOTIFY:
        return reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    case WM_PARENTNOTIFY:
        switch (LOWORD(wParam)) {
        case WM_CREATE:
        case WM_DESTROY:
            return reinterpret_cast<HWND>(lParam);
        default:
            return ::GetDlgItem(parent, HIWORD(wParam));
        }
    case WM_DRAWITEM:
        return wParam ? reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return wParam ? ::GetDlgItem(parent, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID) : nullptr;
    case WM_COMPAREITEM:
        return wParam ? reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_DELETEITEM:
        return wParam ? reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}

// Messages whose dialog-procedure result is the return value itself, not DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg) {
    switch (msg) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}
}  // namespace

HINSTANCE ResourceInstance() { return g_module.GetModuleInstance(); }

RECT CWindow::GetWindowRect() const {
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

RECT CWindow::GetClientRect() const {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    return r;
}

RECT CWindow::GetRectIn(HWND parent) const {
    RECT r = GetWindowRect();
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

BOOL CWindow::CenterOnDesktop() {
    RECT desk{};
    ::GetWindowRect(::GetDesktopWindow(), &desk);
    RECT r = GetWindowRect();
    int x = desk.left + ((desk.right - desk.left) - (r.right - r.left)) / 2;
    int y = desk.top + ((desk.bottom - desk.top) - (r.bottom - r.top)) / 2;
    return SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CMessageMap::Dispatch(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    BOOL outer = m_msgHandled;
    BOOL handled = ProcessWindowMessage(hWnd, msg, wParam, lParam, result);
    m_msgHandled = outer;
    return handled;
}

BOOL CWindowImplRoot::ReflectNotifications(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND source = NotificationSource(m_hWnd, msg, wParam, lParam);
    CWindowImplRoot* control = source ? FromHandle(source) : nullptr;
    if (!control || control == this) return FALSE;
    return control->Dispatch(source, Reflected(msg), wParam, lParam, result);
}

CWindowImplRoot* CWindowImplRoot::FromHandle(HWND hWnd) {
    return static_cast<CWindowImplRoot*>(::GetPropW(hWnd, kObjectProperty));
}

void CWindowImplRoot::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    ::SetPropW(hWnd, kObjectProperty, this);
}

void CWindowImplRoot::Detach(HWND hWnd) {
    ::RemovePropW(hWnd, kObjectProperty);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CWindowImplRoot::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindowImplRoot* self = FromHandle(hWnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<CWindowImplRoot*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) self->Attach(hWnd);
    }
    if (!self) return ::DefWindowProcW(hWnd, msg, wParam, lParam);

    LRESULT result = 0;
    if (!self->Dispatch(hWnd, msg, wParam, lParam, result))
        result = ::CallWindowProcW(self->m_superProc, hWnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // A subclassed control gets its own procedure back for whatever follows.
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == WindowProc)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_superProc));
        self->Detach(hWnd);
        self->OnFinalMessage(hWnd);
    }
    return result;
}

INT_PTR CALLBACK CWindowImplRoot::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* starting = msg == WM_INITDIALOG ? reinterpret_cast<CWindowImplRoot*>(lParam) : nullptr;
    return DispatchDialog(hWnd, msg, wParam, lParam, starting);
}

INT_PTR CALLBACK CWindowImplRoot::PropertyPageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto* page = msg == WM_INITDIALOG ? reinterpret_cast<const PROPSHEETPAGEW*>(lParam) : nullptr;
    auto* starting = page ? reinterpret_cast<CWindowImplRoot*>(page->lParam) : nullptr;
    return DispatchDialog(hWnd, msg, wParam, lParam, starting);
}

INT_PTR CWindowImplRoot::DispatchDialog(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, CWindowImplRoot* starting) {
    CWindowImplRoot* self = FromHandle(hWnd);
    if (!self && starting) {
        self = starting;
        self->Attach(hWnd);
    }
    if (!self) return FALSE;

    LRESULT result = 0;
    BOOL handled = self->Dispatch(hWnd, msg, wParam, lParam, result);
    if (msg == WM_NCDESTROY) {
        self->Detach(hWnd);
        self->OnFinalMessage(hWnd);
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(msg)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

BOOL CWindowImplRoot::SubclassWindow(HWND hWnd) {
    if (m_hWnd || !::IsWindow(hWnd) || FromHandle(hWnd)) return FALSE;
    Attach(hWnd);
    m_superProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
    return TRUE;
}

HWND CWindowImplRoot::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (!hWnd) return nullptr;
    // Someone subclassed the control after us: taking our procedure out would cut them off.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) != WindowProc) return nullptr;
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = ::DefWindowProcW;
    Detach(hWnd);
    return hWnd;
}

LRESULT CWindowImplRoot::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_superProc, m_hWnd, msg, wParam, lParam);
}

HWND CWindowImplRoot::CreateOfClass(const wchar_t* className, HWND parent, const RECT& rect, const wchar_t* text,
                                    DWORD style, DWORD exStyle, UINT id) {
    HINSTANCE instance = ResourceInstance();
    WNDCLASSEXW wc{};
    if (!::GetClassInfoExW(instance, className, &wc)) {
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc)) return nullptr;
    }
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    return ::CreateWindowExW(exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top, parent, menu, instance, this);
}
