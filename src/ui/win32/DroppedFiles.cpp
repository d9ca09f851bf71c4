#include "ui/DroppedFiles.h"

#include <algorithm>

#include "ui/DropList.h"

namespace {
bool IsReadable(HDROP drop) {
    const SIZE_T size = ::GlobalSize(drop);
    const void* block = size ? ::GlobalLock(drop) : nullptr;
    if (!block) return false;
    const bool readable = DropListIsReadable(block, size);
    ::GlobalUnlock(drop);
    return readable;
}
}  // namespace

std::vector<std::wstring> DroppedFiles(HDROP drop, UINT most) {
    std::vector<std::wstring> names;
    if (!IsReadable(drop)) return names;
    const UINT count = std::min(::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), most);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length, L'\0');
        if (length && ::DragQueryFileW(drop, i, name.data(), length + 1) == length) names.push_back(std::move(name));
    }
    return names;
}

void FinishDrop(HDROP drop) {
    if (IsReadable(drop)) ::DragFinish(drop);
}
