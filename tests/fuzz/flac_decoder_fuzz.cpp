#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzDecoder<CFlacFile>(data, size, "flac", ORVANE_FLACDEC);
}
