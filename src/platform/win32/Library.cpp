// Windows libraries.
#include <windows.h>

#include "platform/Library.h"

#include "platform/DebugLine.h"

namespace platform {

bool Library::Load(const std::wstring& name) {
    Free();
    m_handle = LoadLibraryW(name.c_str());
    if (!m_handle) DebugSystemError((L"LoadLibraryW " + name).c_str(), GetLastError());
    return m_handle != nullptr;
}

void* Library::Symbol(const char* name) const {
    return m_handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name)) : nullptr;
}

void Library::Free() {
    if (m_handle) FreeLibrary(static_cast<HMODULE>(m_handle));
    m_handle = nullptr;
}

}  // namespace platform
