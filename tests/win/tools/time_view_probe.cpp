// Prints where the time view and its controls are on the screen, for a test to point at
// them as a person would:
//
//   time_view_probe
//
// First line: "view X Y W H DOCKED TITLE" (DOCKED 1 when it is a child window); then one
// line per control: "ID X Y W H ENABLED TEXT", UTF-8. Exit code 1 when there is no time
// view (it is waited for up to five seconds).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(HWND window) {
    wchar_t text[256] = L"";
    ::GetWindowTextW(window, text, ARRAYSIZE(text));
    char utf8[1024] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

void Print(const char* head, HWND window, int flag) {
    RECT r{};
    ::GetWindowRect(window, &r);
    std::printf("%s %ld %ld %ld %ld %d %s\n", head, r.left, r.top, r.right - r.left, r.bottom - r.top, flag,
                Utf8(window).c_str());
}

// The dialog that holds the time edit, floating or docked in another window.
BOOL CALLBACK FindView(HWND window, LPARAM param) {
    HWND edit = ::FindWindowExW(window, nullptr, L"TimeEditClass", nullptr);
    if (edit) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    ::EnumChildWindows(window, FindView, param);
    return *reinterpret_cast<HWND*>(param) == nullptr;
}

BOOL CALLBACK PrintControl(HWND child, LPARAM view) {
    if (::GetParent(child) != reinterpret_cast<HWND>(view)) return TRUE;
    char id[16];
    std::snprintf(id, sizeof id, "%d", ::GetDlgCtrlID(child));
    Print(id, child, ::IsWindowEnabled(child) ? 1 : 0);
    return TRUE;
}

}  // namespace

int wmain() {
    HWND view = nullptr;
    for (int i = 0; i < 50 && !view; ++i) {
        ::EnumWindows(FindView, reinterpret_cast<LPARAM>(&view));
        if (!view) ::Sleep(100);
    }
    if (!view) return 1;
    Print("view", view, (::GetWindowLongW(view, GWL_STYLE) & WS_CHILD) ? 1 : 0);
    ::EnumChildWindows(view, PrintControl, reinterpret_cast<LPARAM>(view));
    return 0;
}
