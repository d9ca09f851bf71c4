#include <windows.h>

#include "platform/Desktop.h"

namespace platform {

DesktopEdges GetDesktopEdges() {
    RECT rect{};
    GetWindowRect(GetDesktopWindow(), &rect);
    return {rect.right, rect.bottom};
}

}  // namespace platform
