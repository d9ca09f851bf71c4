#pragma once
// Text conversions between the program's wide strings and byte encodings.
#include <string>

namespace platform {

// UTF-8, whatever the width of wchar_t (UTF-16 on Windows, code points natively).
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& bytes);

// The legacy code page of text files: the thread's ANSI code page on Windows, code page
// 932 natively. Characters the code page cannot hold become "?" and the result is false.
bool WideToAnsi(const std::wstring& text, std::string& out);
std::wstring AnsiToWide(const std::string& bytes);

}  // namespace platform
