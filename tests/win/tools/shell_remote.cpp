// Talks to a running Orvane the way other programs on the desktop could.
//
//   shell_remote malformed     sends WM_COPYDATA records that are not a well-formed path
//   shell_remote command ID    posts WM_COMMAND ID to the main dialog
//   shell_remote message N W   posts message N with wParam W to the main dialog
//   shell_remote tray-gone     takes the instance's tray icon away, as a taskbar that
//                              crashed would
//   shell_remote taskbar-back  tells every window that the taskbar was created again
//
// Exit code 0 when the instance window was found and everything was sent, 1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

const wchar_t kInstanceName[] = L"Kellbrook Orvane";

BOOL CALLBACK Find(HWND window, LPARAM found) {
    if (!::GetPropW(window, kInstanceName)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND InstanceWindow() {
    HWND found = nullptr;
    for (int i = 0; i < 100 && !found; ++i) {
        ::EnumWindows(Find, reinterpret_cast<LPARAM>(&found));
        if (!found) ::Sleep(100);
    }
    return found;
}

bool Send(HWND target, const char* what, const void* data, DWORD bytes) {
    COPYDATASTRUCT record{0, bytes, const_cast<void*>(data)};
    DWORD_PTR answer = 0;
    LRESULT sent = ::SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), SMTO_BLOCK,
                                         10000, &answer);
    std::printf("%s %s\n", what, sent ? "answered" : "no-answer");
    return sent != 0;
}

bool SendMalformed(HWND target) {
    // A path that would play if it were taken: none of these may start it.
    const wchar_t path[] = L"Z:\\tmp\\does-not-matter.wav";
    const DWORD bytes = sizeof path;
    std::vector<wchar_t> unterminated(4096, L'A');
    std::vector<wchar_t> tooLong(32769, L'B');
    tooLong.back() = 0;
    bool ok = true;
    ok &= Send(target, "odd-size", path, bytes - 1);
    ok &= Send(target, "no-terminator", unterminated.data(), static_cast<DWORD>(unterminated.size() * 2));
    ok &= Send(target, "cut-before-terminator", path, bytes - 2);
    ok &= Send(target, "too-long", tooLong.data(), static_cast<DWORD>(tooLong.size() * 2));
    ok &= Send(target, "empty", L"", 2);
    ok &= Send(target, "no-data", nullptr, 0);
    return ok;
}

// The icon the main dialog adds: its window, id 0.
bool DeleteTrayIcon(HWND target) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = target;
    data.uID = 0;
    return ::Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

bool BroadcastTaskbarCreated() {
    UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message && ::PostMessageW(HWND_BROADCAST, message, 0, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    HWND target = InstanceWindow();
    std::printf("window %s\n", target ? "found" : "missing");
    if (!target) return 1;
    if (std::wcscmp(argv[1], L"malformed") == 0) return SendMalformed(target) ? 0 : 1;
    if (std::wcscmp(argv[1], L"command") == 0 && argc == 3)
        return ::PostMessageW(target, WM_COMMAND, std::wcstoul(argv[2], nullptr, 10), 0) ? 0 : 1;
    if (std::wcscmp(argv[1], L"message") == 0 && argc == 4)
        return ::PostMessageW(target, std::wcstoul(argv[2], nullptr, 10), std::wcstoul(argv[3], nullptr, 10), 0) ? 0 : 1;
    if (std::wcscmp(argv[1], L"tray-gone") == 0) return DeleteTrayIcon(target) ? 0 : 1;
    if (std::wcscmp(argv[1], L"taskbar-back") == 0) return BroadcastTaskbarCreated() ? 0 : 1;
    return 2;
}
