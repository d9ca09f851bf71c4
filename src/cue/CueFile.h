#pragma once
// The cue file: one line per entry, "path,mm:ss" and CR LF, in the legacy code page. A
// list with a path that code page cannot hold is written as UTF-8 behind a byte-order
// mark instead, so no path is lost; files without the mark read as before.
#include <string>
#include <vector>

struct CueItem {
    std::wstring name;  // the file-name part of the path
    std::wstring path;
    std::wstring time;  // "%02d:%02d", or empty when not known
};

std::string EncodeCueText(const std::vector<CueItem>& items);
// Entries whose path has no playable extension are dropped.
std::vector<CueItem> DecodeCueText(const std::string& bytes);

// Writes a new file beside the old one and then puts it in its place, so a failed save
// leaves the previous file as it was.
bool WriteCueFile(const std::wstring& path, const std::vector<CueItem>& items);
// The whole file; false when it cannot be opened, is empty or is implausibly large.
bool ReadCueFileBytes(const std::wstring& path, std::string& bytes, bool& opened);
