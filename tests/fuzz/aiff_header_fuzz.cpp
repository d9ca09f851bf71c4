#include "ReaderFuzz.h"
#include "sources/AiffFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<CAiffFile>(data, size, "aiff");
}
