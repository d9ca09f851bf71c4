#include "cue/CueFile.h"

#include "platform/File.h"
#include "platform/PathName.h"
#include "platform/Text.h"
#include "sources/ReaderSet.h"

namespace {
const char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8MarkSize = 3;
// Far beyond any play list; guards memory against a wrong file.
constexpr int64_t kMaxCueFileBytes = 64 << 20;

bool EndsField(char c) { return c == '\0' || c == ',' || c == '\n' || c == '\r'; }

std::string Field(const std::string& bytes, size_t& at) {
    size_t start = at;
    while (at < bytes.size() && !EndsField(bytes[at])) ++at;
    return bytes.substr(start, at - start);
}

std::string JoinLines(const std::vector<CueItem>& items, bool utf8) {
    std::string out;
    for (const CueItem& item : items) {
        std::string path, time;
        if (utf8) {
            path = platform::WideToUtf8(item.path);
            time = platform::WideToUtf8(item.time);
        } else {
            platform::WideToAnsi(item.path, path);
            platform::WideToAnsi(item.time, time);
        }
        out += path + "," + time + "\r\n";
    }
    return out;
}

bool AllAnsi(const std::vector<CueItem>& items) {
    std::string unused;
    for (const CueItem& item : items)
        if (!platform::WideToAnsi(item.path, unused) || !platform::WideToAnsi(item.time, unused)) return false;
    return true;
}
}  // namespace

std::string EncodeCueText(const std::vector<CueItem>& items) {
    if (AllAnsi(items)) return JoinLines(items, false);
    return std::string(kUtf8Mark, kUtf8MarkSize) + JoinLines(items, true);
}

std::vector<CueItem> DecodeCueText(const std::string& bytes) {
    bool utf8 = bytes.compare(0, kUtf8MarkSize, kUtf8Mark) == 0;
    auto toWide = [utf8](const std::string& field) {
        return utf8 ? platform::Utf8ToWide(field) : platform::AnsiToWide(field);
    };
    std::vector<CueItem> items;
    size_t at = utf8 ? kUtf8MarkSize : 0;
    while (at < bytes.size() && bytes[at] != '\0') {
        CueItem item;
        item.path = toWide(Field(bytes, at));
        if (at < bytes.size() && bytes[at] == ',') {
            ++at;
            item.time = toWide(Field(bytes, at));
        }
        while (at < bytes.size() && (bytes[at] == '\r' || bytes[at] == '\n')) ++at;
        if (!CReaderSet::IsSupportedFile(item.path)) continue;
        item.name = platform::FileNamePart(item.path);
        items.push_back(std::move(item));
    }
    return items;
}

bool WriteCueFile(const std::wstring& path, const std::vector<CueItem>& items) {
    const std::wstring temporary = path + L".saving";
    std::string text = EncodeCueText(items);
    platform::File out;
    bool written = out.Create(temporary) && (text.empty() || out.Write(text.data(), static_cast<uint32_t>(text.size()))) &&
                   out.Flush();
    out.Close();
    if (written && platform::File::Replace(temporary, path)) return true;
    platform::File::Delete(temporary);
    return false;
}

bool ReadCueFileBytes(const std::wstring& path, std::string& bytes, bool& opened) {
    platform::File in;
    opened = in.OpenRead(path, platform::FileShare::Read);
    if (!opened) return false;
    int64_t size = in.Size();
    if (size <= 0 || size > kMaxCueFileBytes) return false;
    bytes.resize(static_cast<size_t>(size));
    return in.Read(bytes.data(), static_cast<uint32_t>(size)) == size;
}
