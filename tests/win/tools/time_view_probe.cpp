// Prints where the time view and its controls are on the screen, for a test to point at
// them as a person would:
//
//   time_view_probe
//
// First lines: "view X Y W H DOCKED TITLE" (DOCKED 1 when it is a child window), "main X Y
// W H FRAMES" (the main dialog's client area; FRAMES the drop frames on the screen); then one
// line per control: "ID X Y W H ENABLED TEXT", UTF-8. Exit code 1 when there is no time
// view (it is waited for up to five seconds).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(HWND window) {
    // Asked of the window itself: a control of another process that keeps its own text
    // answers only WM_GETTEXT.
    wchar_t text[256] = L"";
    ::SendMessageW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text));
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

// Counts one window; EnumChildWindows reaches every descendant by itself.
BOOL CALLBACK CountFrame(HWND window, LPARAM count) {
    wchar_t name[32] = L"";
    ::GetClassNameW(window, name, ARRAYSIZE(name));
    if (::IsWindowVisible(window) && std::wstring(name) == L"DropFrame") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountFrames(HWND window, LPARAM count) {
    CountFrame(window, count);
    ::EnumChildWindows(window, CountFrame, count);
    return TRUE;
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
    const bool docked = (::GetWindowLongW(view, GWL_STYLE) & WS_CHILD) != 0;
    Print("view", view, docked ? 1 : 0);
    HWND main = docked ? ::GetParent(view) : ::GetWindow(view, GW_OWNER);
    RECT client{};
    ::GetClientRect(main, &client);
    ::MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    int frames = 0;
    ::EnumWindows(CountFrames, reinterpret_cast<LPARAM>(&frames));
    std::printf("main %ld %ld %ld %ld %d\n", client.left, client.top, client.right - client.left,
                client.bottom - client.top, frames);
    ::EnumChildWindows(view, PrintControl, reinterpret_cast<LPARAM>(view));
    return 0;
}
