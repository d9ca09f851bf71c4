#pragma once
// Which reader a file name selects: by its extension alone, never by its contents.
#include <string>

enum class SourceKind { None, Wave, Aiff, Mpeg, Ogg, Flac, Wma };

// The extension as the shell sees it: from the last "." of the last path component
// ("" when there is none), lower-cased.
std::wstring PathExtension(const std::wstring& path);
SourceKind SourceKindForPath(const std::wstring& path);
