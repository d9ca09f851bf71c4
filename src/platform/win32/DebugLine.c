/* The CRT's own wide printf, whose %hs and %ls the callers' formats use. */
#define __USE_MINGW_ANSI_STDIO 0
#include "platform/DebugLine.h"

#include <stdarg.h>
#include <stdio.h>
#include <windows.h>

void DebugLine(const wchar_t* format, ...) {
    enum { kRoom = 510 };
    wchar_t line[kRoom + 2];
    va_list args;
    va_start(args, format);
    const int written = _vsnwprintf(line, kRoom, format, args);
    va_end(args);
    /* A line cut short still ends, and ends the line. */
    const size_t length = written < 0 || written > kRoom ? kRoom : (size_t)written;
    line[length] = L'\n';
    line[length + 1] = L'\0';
    OutputDebugStringW(line);
}

void DebugSystemError(const wchar_t* what, unsigned long code) {
    wchar_t text[256] = L"";
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0,
                                        text, sizeof text / sizeof text[0], NULL);
    /* The system's texts end with a line break of their own. */
    for (DWORD end = length; end > 0 && (text[end - 1] == L'\r' || text[end - 1] == L'\n'); --end) text[end - 1] = L'\0';
    DebugLine(L"%ls failed, error %lu: %ls", what, code, text);
}
