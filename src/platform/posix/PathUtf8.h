#pragma once
#include <string>

namespace platform {
// wchar_t holds a code point natively; paths go to the OS as UTF-8.
std::string ToUtf8(const std::wstring& text);
}
