#pragma once
// The system's open and save dialogs as the program uses them: explorer style, read-only
// box hidden, owned by the window active at that moment.
#include <windows.h>
#include <commdlg.h>

#include <string>

struct FileDialogOptions {
    bool save;
    const wchar_t* title;
    const wchar_t* filter;  // pairs of display text and pattern, each ending in a zero
    const wchar_t* defaultExtension;
    const wchar_t* initialFolder;
    DWORD flags;  // added to OFN_EXPLORER | OFN_HIDEREADONLY
};

// The chosen path; false when the user cancelled.
bool AskFileName(const FileDialogOptions& options, std::wstring& path);
