// Native libraries.
#include <dlfcn.h>

#include "platform/Library.h"
#include "platform/Text.h"

namespace platform {

bool Library::Load(const std::wstring& name) {
    Free();
    m_handle = dlopen(WideToUtf8(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    return m_handle != nullptr;
}

void* Library::Symbol(const char* name) const { return m_handle ? dlsym(m_handle, name) : nullptr; }

void Library::Free() {
    if (m_handle) dlclose(m_handle);
    m_handle = nullptr;
}

}  // namespace platform
