// Natively the legacy code page is 932, the one the program's users have.
#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "platform/Text.h"

namespace platform {

namespace {
// One wide character through iconv; false when the target cannot hold it.
bool ConvertOne(iconv_t cd, wchar_t c, std::string& out) {
    char in[sizeof(wchar_t)];
    __builtin_memcpy(in, &c, sizeof c);
    char buffer[8];
    char* src = in;
    size_t srcLeft = sizeof in;
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return false;
    out.append(buffer, static_cast<size_t>(dst - buffer));
    return true;
}
}  // namespace

bool WideToAnsi(const std::wstring& text, std::string& out) {
    out.clear();
    iconv_t cd = iconv_open("CP932", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out = WideToUtf8(text);
        return false;
    }
    bool all = true;
    for (wchar_t c : text) {
        if (!ConvertOne(cd, c, out)) {
            out += '?';
            all = false;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return all;
}

std::wstring AnsiToWide(const std::string& bytes) {
    std::wstring out;
    iconv_t cd = iconv_open("WCHAR_T", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return Utf8ToWide(bytes);
    std::string in = bytes;
    char* src = in.data();
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
        wchar_t buffer[256];
        char* dst = reinterpret_cast<char*>(buffer);
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - reinterpret_cast<char*>(buffer)) / sizeof(wchar_t));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define: keep going past it.
            out += L'\xFFFD';
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace platform
