#include "app/win32/AboutDlg.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
// One string of the first language of the program's own version resource.
std::wstring VersionString(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> info(size);
    if (!::GetFileVersionInfoW(path, 0, size, info.data())) return {};

    WORD* translation = nullptr;
    UINT bytes = 0;
    if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &bytes) ||
        bytes < 2 * sizeof(WORD))
        return {};
    wchar_t query[128];
    std::swprintf(query, 128, L"\\StringFileInfo\\%04X%04X\\%ls", translation[0], translation[1], name);
    wchar_t* value = nullptr;
    if (!::VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&value), &bytes) || !value) return {};
    return value;
}
}  // namespace

BOOL CAboutDlg::OnInitDialog(HWND, LPARAM) {
    CenterOnDesktop();
    int major = 0, minor = 0, build = 0;
    if (std::swscanf(VersionString(L"ProductVersion").c_str(), L"%d,%d,%d", &major, &minor, &build) == 3) {
        wchar_t text[48];
        std::swprintf(text, 48, L"%d.%d.%d", major, minor, build);
        ::SetDlgItemTextW(m_hWnd, IDC_VERSION, text);
    }
    ::SetDlgItemTextW(m_hWnd, IDC_SPECIALBUILD, VersionString(L"SpecialBuild").c_str());
    return TRUE;
}
