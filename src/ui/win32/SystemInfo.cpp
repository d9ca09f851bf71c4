#include "ui/SystemInfo.h"

#include <windows.h>

#include "platform/PathName.h"

namespace {
// Whether the running Windows version compares with major.minor as condition says.
bool VersionIs(DWORD major, DWORD minor, BYTE condition) {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    DWORDLONG mask = ::VerSetConditionMask(::VerSetConditionMask(0, VER_MAJORVERSION, condition), VER_MINORVERSION, condition);
    return ::VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
}
}  // namespace

bool IsOlderThanXp() { return !VersionIs(5, 1, VER_GREATER_EQUAL); }
bool IsWindows2000() { return VersionIs(5, 0, VER_EQUAL); }
bool IsVistaOrLater() { return VersionIs(6, 0, VER_GREATER_EQUAL); }

void DrawWithoutVisualStyles(HWND window) {
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    HMODULE uxtheme = ::LoadLibraryW(L"uxtheme.dll");
    if (!uxtheme) return;
    // Kept loaded: the window's theme data stays with the library.
    auto setTheme = reinterpret_cast<SetWindowThemeFn>(reinterpret_cast<void*>(::GetProcAddress(uxtheme, "SetWindowTheme")));
    if (setTheme) setTheme(window, L"", L"");
}

std::wstring BesideProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return name;
    std::wstring beside = platform::JoinPath(platform::FolderPart(path), name);
    return beside.size() < MAX_PATH ? beside : name;
}
