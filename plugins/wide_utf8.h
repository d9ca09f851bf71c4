/* UTF-8 of a wide string: the one encoder of the program and of the plug-ins (which are C).
 * A UTF-16 surrogate pair is one character; a lone surrogate or a value past U+10FFFF
 * becomes U+FFFD. */
#ifndef ORVANE_WIDE_UTF8_H
#define ORVANE_WIDE_UTF8_H

#include <stddef.h>
#include <wchar.h>

/* Writes the bytes of text[0..length) to out, which has room for 4 bytes a wide
 * character, and returns their count; no terminator is written. */
static inline size_t EncodeUtf8(const wchar_t* text, size_t length, char* out) {
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned long c = (unsigned long)text[i];
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < length) {
            const unsigned long low = (unsigned long)text[i + 1];
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out[at++] = (char)c;
        } else if (c < 0x800) {
            out[at++] = (char)(0xC0 | c >> 6);
            out[at++] = (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[at++] = (char)(0xE0 | c >> 12);
            out[at++] = (char)(0x80 | (c >> 6 & 0x3F));
            out[at++] = (char)(0x80 | (c & 0x3F));
        } else {
            out[at++] = (char)(0xF0 | c >> 18);
            out[at++] = (char)(0x80 | (c >> 12 & 0x3F));
            out[at++] = (char)(0x80 | (c >> 6 & 0x3F));
            out[at++] = (char)(0x80 | (c & 0x3F));
        }
    }
    return at;
}

#endif
