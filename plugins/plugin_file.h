/* Opens a plug-in's file by its wide path: _wfopen on Windows, the UTF-8 name elsewhere. */
#ifndef ORVANE_PLUGIN_FILE_H
#define ORVANE_PLUGIN_FILE_H

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#if defined(_WIN32)
static FILE* OpenPluginFile(const wchar_t* path) { return path ? _wfopen(path, L"rb") : NULL; }
#else
static FILE* OpenPluginFile(const wchar_t* path) {
    if (!path) return NULL;
    const size_t length = wcslen(path);
    char* name = (char*)malloc(length * 4 + 1);
    if (!name) return NULL;
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned long c = (unsigned long)path[i];
        if (c < 0x80) {
            name[at++] = (char)c;
        } else if (c < 0x800) {
            name[at++] = (char)(0xC0 | c >> 6);
            name[at++] = (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            name[at++] = (char)(0xE0 | c >> 12);
            name[at++] = (char)(0x80 | (c >> 6 & 0x3F));
            name[at++] = (char)(0x80 | (c & 0x3F));
        } else {
            name[at++] = (char)(0xF0 | (c >> 18 & 0x07));
            name[at++] = (char)(0x80 | (c >> 12 & 0x3F));
            name[at++] = (char)(0x80 | (c >> 6 & 0x3F));
            name[at++] = (char)(0x80 | (c & 0x3F));
        }
    }
    name[at] = '\0';
    FILE* file = fopen(name, "rb");
    free(name);
    return file;
}
#endif

#endif
