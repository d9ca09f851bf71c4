#pragma once
// The desktop window's size, which places windows that have no stored position.
#include <cstdint>

namespace platform {

struct DesktopEdges {
    int32_t right;
    int32_t bottom;
};

DesktopEdges GetDesktopEdges();

}  // namespace platform
