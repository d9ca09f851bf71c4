#pragma once
// The names a drop handle carries, read for the windows that take dropped files. The
// handle may come from any program: one whose memory cannot be read gives no names. The
// caller still finishes the drop.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// At most `most` names, in their order; empty names are left out.
std::vector<std::wstring> DroppedFiles(HDROP drop, UINT most);
