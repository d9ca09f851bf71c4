#include "sources/SourceKind.h"

#include "platform/PathName.h"

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
    std::wstring ext = platform::PathExtension(path);
    for (const auto& entry : table)
        if (ext == entry.ext) return entry.kind;
    return SourceKind::None;
}
