#include "ReaderFuzz.h"
#include "sources/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzReader<CWaveFile>(data, size, "wave");
}
