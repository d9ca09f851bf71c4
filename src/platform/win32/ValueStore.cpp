// The registry below HKEY_CURRENT_USER.
#include <windows.h>

#include "platform/ValueStore.h"

namespace platform {

namespace {
HKEY OpenKey(const std::wstring& key, REGSAM access) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, access, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return handle;
}
}  // namespace

long ValueStore::Read(const std::wstring& name, uint32_t& type, void* buffer, uint32_t& size) const {
    HKEY key = OpenKey(m_key, KEY_READ);
    if (!key) return ValueMissing;
    DWORD storedType = 0;
    DWORD bytes = size;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &storedType, static_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    type = storedType;
    size = bytes;
    return result;
}

long ValueStore::Write(const std::wstring& name, uint32_t type, const void* data, uint32_t size) const {
    HKEY key = OpenKey(m_key, KEY_ALL_ACCESS);
    if (!key) return ValueMissing;
    LONG result = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return result;
}

}  // namespace platform
