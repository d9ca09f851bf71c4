#include <windows.h>
#include <shellapi.h>

#include "engine/PlayerCore.h"

namespace {
AppSettings g_settings;
CPlayerCore g_player(g_settings);
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring file;
    for (int i = 1; argv && i < argc; ++i)
        if (argv[i][0] != L'/') file = argv[i];
    LocalFree(argv);
    if (file.empty()) return 0;
    g_player.SetFilePath(file);
    return g_player.Play(nullptr) ? 0 : 1;
}
