// Message boxes with no owner.
#include <windows.h>

#include "platform/Report.h"

namespace platform {

int ShowReport(const std::wstring& text, const std::wstring& caption, uint32_t style) {
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace platform
