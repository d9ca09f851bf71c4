#pragma once
// Which reader a file name selects: by its extension alone, never by its contents.
#include <string>

enum class SourceKind { None, Wave, Aiff, Mpeg, Ogg, Flac, Wma };

SourceKind SourceKindForPath(const std::wstring& path);
