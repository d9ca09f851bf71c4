// The cue file parser over any bytes (cue files come from other people's machines): what
// it keeps is playable, named after its path, and comes back the same from a save.
#include <cstdint>
#include <string>
#include <vector>

#include "cue/CueFile.h"
#include "platform/PathName.h"
#include "sources/ReaderSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<CueItem> items = DecodeCueText(std::string(reinterpret_cast<const char*>(data), size));
    for (const CueItem& item : items)
        if (!CReaderSet::IsSupportedFile(item.path) || item.name != platform::FileNamePart(item.path)) __builtin_trap();
    const std::vector<CueItem> saved = DecodeCueText(EncodeCueText(items));
    if (saved.size() != items.size()) __builtin_trap();
    for (size_t i = 0; i < items.size(); ++i)
        if (saved[i].path != items[i].path || saved[i].time != items[i].time) __builtin_trap();
    return 0;
}
