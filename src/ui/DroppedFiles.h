#pragma once
// The names a drop handle carries, read for the windows that take dropped files. The
// handle may come from any program: one whose memory cannot be read gives no names and is
// not released. Under Wine a drop from an X11 file manager arrives as the desktop
// process's pointer, which is not even memory of ours.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// At most `most` names, in their order; empty names are left out.
std::vector<std::wstring> DroppedFiles(HDROP drop, UINT most);
// DragFinish for a handle whose names could be read.
void FinishDrop(HDROP drop);
