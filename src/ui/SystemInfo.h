#pragma once
// What the windows ask of the system they run on.
#include <string>

// Before Windows XP (5.1) the tray shows 16-colour icons unless told otherwise.
bool IsOlderThanXp();
// Windows 2000 (5.0) exactly; Vista (6.0) or later.
bool IsWindows2000();
bool IsVistaOrLater();

struct HWND__;
// Draws the window without visual styles where the system has them (uxtheme.dll is looked
// up, not imported: Windows 2000 has none, and a program importing it does not start).
void DrawWithoutVisualStyles(HWND__* window);

// The folder of the running program with name appended: files that ship with the program
// are found there whatever the current directory is.
std::wstring BesideProgram(const wchar_t* name);

// The folder beside the program that holds the user's tray icon files.
inline const wchar_t* const kIconFolderName = L"Icons";
