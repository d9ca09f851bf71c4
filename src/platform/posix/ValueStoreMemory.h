#pragma once
// The native value store keeps every key in memory for the life of the process; tests
// look inside and start over from an empty store.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct StoredValue {
    std::wstring name;
    uint32_t type;
    std::vector<uint8_t> data;
};

class ValueStoreMemory {
public:
    static bool KeyExists(const std::wstring& key);
    // The key's values in the order they were first written.
    static std::vector<StoredValue> Values(const std::wstring& key);
    static void Clear();
};

}  // namespace platform
