// Prints what a person reads in a window on the desktop: the texts of the child windows
// (static texts, buttons) of the visible top-level window with buttons whose title is TITLE.
//
//   window_texts TITLE
//
// One line per child, UTF-8. Exit code 0 when the window was found (it is waited for up to
// ten seconds), 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    const wchar_t* title;
    HWND found;
};

std::wstring TextOf(HWND window) {
    wchar_t text[4096] = L"";
    ::GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!::IsWindowVisible(window) || TextOf(window) != search->title) return TRUE;
    // A box has buttons; the main window, which may carry the same title, has none.
    if (!::FindWindowExW(window, nullptr, L"Button", nullptr)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    std::wstring text = TextOf(child);
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    // Line breaks inside a text stay visible as \n, so one child stays one line.
    std::string line;
    for (char c : utf8) line += c == '\n' ? std::string("\\n") : std::string(1, c);
    std::printf("%s\n", line.c_str());
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    Search search{argv[1], nullptr};
    for (int i = 0; i < 100 && !search.found; ++i) {
        ::EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
        if (!search.found) ::Sleep(100);
    }
    if (!search.found) return 1;
    ::EnumChildWindows(search.found, PrintChild, 0);
    return 0;
}
