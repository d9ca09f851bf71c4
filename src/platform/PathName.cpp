#include "platform/PathName.h"

#include <cwctype>

namespace platform {

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

size_t LastComponent(const std::wstring& path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i)
        if (IsSeparator(path[i]) || path[i] == L':') start = i + 1;
    return start;
}
}  // namespace

std::wstring PathExtension(const std::wstring& path) {
    size_t dot = std::wstring::npos;
    for (size_t i = LastComponent(path); i < path.size(); ++i) {
        if (path[i] == L' ')
            dot = std::wstring::npos;
        else if (path[i] == L'.')
            dot = i;
    }
    if (dot == std::wstring::npos) return L"";
    std::wstring ext = path.substr(dot);
    for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
    return ext;
}

std::wstring FileNamePart(const std::wstring& path) { return path.substr(LastComponent(path)); }

std::wstring FolderPart(const std::wstring& path) {
    size_t start = LastComponent(path);
    if (start > 0 && IsSeparator(path[start - 1])) --start;
    return path.substr(0, start);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || IsSeparator(folder.back())) return folder + name;
    return folder + L'\\' + name;
}

}  // namespace platform
