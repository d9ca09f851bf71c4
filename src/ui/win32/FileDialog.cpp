#include "ui/FileDialog.h"

#include <commdlg.h>

#include <vector>

bool AskFileName(const FileDialogOptions& options, std::wstring& path) {
    // Room for the longest path the system takes, not just MAX_PATH.
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = options.filter;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = options.initialFolder;
    ofn.lpstrTitle = options.title;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | options.flags;
    ofn.lpstrDefExt = options.defaultExtension;
    if (!(options.save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn))) return false;
    path = file.data();
    return true;
}
