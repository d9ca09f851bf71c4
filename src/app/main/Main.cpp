// The process: one instance at a time; a second start hands its file to the first.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <clocale>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/win32/MainDlg.h"
#include "engine/PlayerCore.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "timeview/win32/TimeView.h"
#include "ui/MessageLoop.h"

namespace {
// The program-wide objects: they live from the start of the process to its end, and the
// windows that use them are handed them.
AppSettings g_settings;
CPlayerCore g_player(g_settings);
CTimeView g_timeView(g_player, g_settings);

// A second start looks again this often while the first is still starting: its window
// appears only after its start-up, which an error box about its own file may hold up for
// as long as the box waits for an answer.
constexpr DWORD kHandOverRetryMs = 100;

std::wstring FileFromCommandLine() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return {};
    std::vector<std::wstring> args(argv, argv + argc);
    ::LocalFree(argv);
    return CommandLineFile(args);
}

struct InstanceSearch {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK FindInstance(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<InstanceSearch*>(param);
    if (!::GetPropW(window, search->name)) return TRUE;
    search->found = window;
    return FALSE;
}

// Sends the file to the running instance once its window is marked; without a file
// nothing is sent, and the running instance is left as it is. The file waits for as long
// as that instance holds the mutex. False when it ended first: this process then holds the
// mutex and plays the file itself.
bool HandOver(const wchar_t* instanceName, const std::wstring& file, HANDLE mutex) {
    if (file.empty()) return true;
    for (;;) {
        InstanceSearch search{instanceName, nullptr};
        ::EnumWindows(FindInstance, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            COPYDATASTRUCT record{0, static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)),
                                  const_cast<wchar_t*>(file.c_str())};
            ::SendMessageW(search.found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record));
            return true;
        }
        const DWORD waited = ::WaitForSingleObject(mutex, kHandOverRetryMs);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return false;
        if (waited == WAIT_FAILED) ::Sleep(kHandOverRetryMs);
    }
}

int Run(const wchar_t* instanceName, const std::wstring& file, HANDLE mutex) {
    CMessageLoop loop;
    g_module.AddMessageLoop(&loop);
    g_player.SetListener(&g_timeView);
    int result = 0;
    {
        CMainDlg dialog(g_player, g_settings, g_timeView);
        if (!file.empty()) dialog.SetFile(file);
        if (dialog.Create(nullptr)) {
            dialog.MarkAsInstance(instanceName);
            result = loop.Run();
            ::ReleaseMutex(mutex);
        }
    }
    g_module.RemoveMessageLoop();
    return result;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    _wsetlocale(LC_ALL, L"");
    wchar_t instanceName[64] = L"";
    ::LoadStringW(instance, IDS_INSTANCE_NAME, instanceName, ARRAYSIZE(instanceName));
    std::wstring file = FileFromCommandLine();

    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, instanceName);
    if (!mutex) return 0;
    if (::GetLastError() == ERROR_ALREADY_EXISTS && HandOver(instanceName, file, mutex)) return 0;

    ::CoInitialize(nullptr);
    // Before any window exists: lets the system set up this thread's window state.
    ::DefWindowProcW(nullptr, WM_NULL, 0, 0);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    ::InitCommonControlsEx(&controls);
    g_module.Init(instance);
    RegisterTimeEditClass(instance);

    int result = Run(instanceName, file, mutex);

    g_module.Term();
    ::CoUninitialize();
    return result;
}
