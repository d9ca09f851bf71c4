/* Opens a plug-in's file by its wide path: _wfopen on Windows, the UTF-8 name elsewhere. */
#ifndef ORVANE_PLUGIN_FILE_H
#define ORVANE_PLUGIN_FILE_H

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#if defined(_WIN32)
static FILE* OpenPluginFile(const wchar_t* path) { return path ? _wfopen(path, L"rb") : NULL; }
#else
#include "wide_utf8.h"

static FILE* OpenPluginFile(const wchar_t* path) {
    if (!path) return NULL;
    const size_t length = wcslen(path);
    char* name = (char*)malloc(length * 4 + 1);
    if (!name) return NULL;
    name[EncodeUtf8(path, length, name)] = '\0';
    FILE* file = fopen(name, "rb");
    free(name);
    return file;
}
#endif

#endif
