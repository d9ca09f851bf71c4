#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzDecoder<COggFile>(data, size, "vorbis", ORVANE_VORBISDEC);
}
