#include "platform/Desktop.h"

namespace platform {

// No desktop natively: the size of a common screen.
DesktopEdges GetDesktopEdges() { return {1920, 1080}; }

}  // namespace platform
