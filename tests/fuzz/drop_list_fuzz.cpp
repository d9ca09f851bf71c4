// The memory behind a drop handle from another program: the check must stay inside it.
#include <cstdint>
#include <vector>

#include "ui/DropList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> block(data, data + size);  // its own allocation, so a step past the end shows
    DropListIsReadable(block.data(), block.size());
    return 0;
}
