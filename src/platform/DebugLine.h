#pragma once
/* One line for a debugger's output (OutputDebugStringW on Windows; nothing natively), for
 * failures a user sees only as a message box or not at all. printf-style with the CRT's
 * wide rules: %ls for a wide string, %hs for a narrow one. Plain C, so the decoder
 * plug-ins write theirs through the same function. */
#ifndef ORVANE_DEBUG_LINE_H
#define ORVANE_DEBUG_LINE_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

void DebugLine(const wchar_t* format, ...);
/* The line for a failed system call: what failed, then the system's code and its text. */
void DebugSystemError(const wchar_t* what, unsigned long code);

#ifdef __cplusplus
}
#endif

#endif
