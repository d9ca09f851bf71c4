#include "sources/SourceKind.h"

#include <cwctype>

std::wstring PathExtension(const std::wstring& path) {
    // Same scan as the shell's PathFindExtensionW: a separator or a space after the last
    // dot means the name has no extension.
    size_t dot = std::wstring::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        wchar_t c = path[i];
        if (c == L'\\' || c == L'/' || c == L' ')
            dot = std::wstring::npos;
        else if (c == L'.')
            dot = i;
    }
    if (dot == std::wstring::npos) return L"";
    std::wstring ext = path.substr(dot);
    for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
    return ext;
}

SourceKind SourceKindForPath(const std::wstring& path) {
    static const struct {
        const wchar_t* ext;
        SourceKind kind;
    } table[] = {
        {L".wav", SourceKind::Wave}, {L".aif", SourceKind::Aiff}, {L".aiff", SourceKind::Aiff},
        {L".mp1", SourceKind::Mpeg}, {L".mp2", SourceKind::Mpeg}, {L".mp3", SourceKind::Mpeg},
        {L".rmp", SourceKind::Mpeg}, {L".ogg", SourceKind::Ogg},  {L".flac", SourceKind::Flac},
        {L".wma", SourceKind::Wma},
    };
    std::wstring ext = PathExtension(path);
    for (const auto& entry : table)
        if (ext == entry.ext) return entry.kind;
    return SourceKind::None;
}
