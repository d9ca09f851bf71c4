#include "ui/SystemInfo.h"

#include <windows.h>
#include <shlwapi.h>

bool IsOlderThanXp() {
    OSVERSIONINFOEXW xp{};
    xp.dwOSVersionInfoSize = sizeof xp;
    xp.dwMajorVersion = 5;
    xp.dwMinorVersion = 1;
    DWORDLONG mask =
        ::VerSetConditionMask(::VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL), VER_MINORVERSION, VER_GREATER_EQUAL);
    return !::VerifyVersionInfoW(&xp, VER_MAJORVERSION | VER_MINORVERSION, mask);
}

std::wstring BesideProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return name;
    ::PathRemoveFileSpecW(path);
    if (!::PathAppendW(path, name)) return name;
    return path;
}
