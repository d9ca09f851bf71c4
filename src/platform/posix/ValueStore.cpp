#include <cstring>
#include <map>
#include <mutex>

#include "platform/ValueStore.h"
#include "platform/posix/ValueStoreMemory.h"

namespace platform {

namespace {
std::mutex g_lock;
std::map<std::wstring, std::vector<StoredValue>> g_keys;

StoredValue* Find(std::vector<StoredValue>& values, const std::wstring& name) {
    for (StoredValue& value : values)
        if (value.name == name) return &value;
    return nullptr;
}
}  // namespace

long ValueStore::Read(const std::wstring& name, uint32_t& type, void* buffer, uint32_t& size) const {
    std::lock_guard<std::mutex> hold(g_lock);
    const StoredValue* value = Find(g_keys[m_key], name);
    if (!value) return ValueMissing;
    const uint32_t capacity = size;
    type = value->type;
    size = static_cast<uint32_t>(value->data.size());
    if (!buffer) return 0;
    if (capacity < size) return ValueMoreData;
    if (size) std::memcpy(buffer, value->data.data(), size);
    return 0;
}

long ValueStore::Write(const std::wstring& name, uint32_t type, const void* data, uint32_t size) const {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<StoredValue>& values = g_keys[m_key];
    const auto* bytes = static_cast<const uint8_t*>(data);
    StoredValue* value = Find(values, name);
    if (!value) {
        values.push_back({name, type, {}});
        value = &values.back();
    }
    value->type = type;
    value->data.assign(bytes, bytes + size);
    return 0;
}

bool ValueStoreMemory::KeyExists(const std::wstring& key) {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_keys.count(key) != 0;
}

std::vector<StoredValue> ValueStoreMemory::Values(const std::wstring& key) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_keys.find(key);
    return it == g_keys.end() ? std::vector<StoredValue>{} : it->second;
}

void ValueStoreMemory::Clear() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_keys.clear();
}

}  // namespace platform
