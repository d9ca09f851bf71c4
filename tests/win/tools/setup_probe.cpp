// Reads the open setup sheet "設定" as a person sees it, for the e2e tests to check and to
// know where to click.
//
//   setup_probe
//   setup_probe dismiss TITLE   answers OK to every visible window titled TITLE (a box
//                               the topmost sheet covers, such as a driver's panel)
//
// Prints "page N" (the active page), "topmost 0|1", then one tab-separated line per
// control of the sheet and of its active page:
//   id  class  enabled  visible  state  count  left  top  right  bottom  text
// state: check state of a button, selection of a list, position of a track bar (else 0);
// count: items of a list; then the control's rectangle on the screen. UTF-8. Exit code 0
// when the sheet was found (it is waited for up to ten seconds), 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

BOOL CALLBACK FindSheet(HWND window, LPARAM found) {
    if (!::IsWindowVisible(window) || TextOf(window) != L"設定") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK Dismiss(HWND window, LPARAM title) {
    if (::IsWindowVisible(window) && TextOf(window) == reinterpret_cast<const wchar_t*>(title))
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void PrintControls(HWND parent) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = L"";
        ::GetClassNameW(child, name, ARRAYSIZE(name));
        const std::wstring cls = name;
        LRESULT state = 0, count = 0;
        if (cls == L"Button") {
            state = ::SendMessageW(child, BM_GETCHECK, 0, 0);
        } else if (cls == L"ComboBox" || cls == L"ComboBoxEx32") {
            state = ::SendMessageW(child, CB_GETCURSEL, 0, 0);
            count = ::SendMessageW(child, CB_GETCOUNT, 0, 0);
        } else if (cls == TRACKBAR_CLASSW) {
            state = ::SendMessageW(child, TBM_GETPOS, 0, 0);
        }
        RECT r{};
        ::GetWindowRect(child, &r);
        std::printf("%d\t%s\t%d\t%d\t%d\t%d\t%ld\t%ld\t%ld\t%ld\t%s\n", ::GetDlgCtrlID(child), Utf8(cls).c_str(),
                    ::IsWindowEnabled(child) ? 1 : 0, ::IsWindowVisible(child) ? 1 : 0, static_cast<int>(state),
                    static_cast<int>(count), r.left, r.top, r.right, r.bottom, Utf8(TextOf(child)).c_str());
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"dismiss")
        return ::EnumWindows(Dismiss, reinterpret_cast<LPARAM>(argv[2])) ? 0 : 1;
    HWND sheet = nullptr;
    for (int i = 0; i < 100 && !sheet; ++i) {
        ::EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&sheet));
        if (!sheet) ::Sleep(100);
    }
    if (!sheet) return 1;
    HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    std::printf("page %d\n", static_cast<int>(::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0)));
    std::printf("topmost %d\n", (::GetWindowLongW(sheet, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
    PrintControls(sheet);
    if (page) PrintControls(page);
    return 0;
}
