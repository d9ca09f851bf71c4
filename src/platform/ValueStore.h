#pragma once
// Named typed values under one key of the current user's store: the registry below
// HKEY_CURRENT_USER on Windows, a process-wide map natively (posix/ValueStoreMemory.h lets
// tests look inside). Every call opens the key, creating it when missing, and closes it.
#include <cstdint>
#include <string>
#include <utility>

namespace platform {

// The registry's value types.
enum : uint32_t { ValueTypeString = 1, ValueTypeBinary = 3, ValueTypeDword = 4 };

// Results besides 0 (done): the registry's error codes.
enum : long { ValueMissing = 2, ValueMoreData = 234 };

class ValueStore {
public:
    // key: a path below the current user's root, parts separated by backslashes.
    explicit ValueStore(std::wstring key) : m_key(std::move(key)) {}

    // type and size receive what is stored. With a buffer, size gives its capacity; a
    // value that does not fit copies nothing and returns ValueMoreData. Without a buffer
    // only the type and size are asked.
    long Read(const std::wstring& name, uint32_t& type, void* buffer, uint32_t& size) const;
    long Write(const std::wstring& name, uint32_t type, const void* data, uint32_t size) const;

    const std::wstring& Key() const { return m_key; }

private:
    std::wstring m_key;
};

}  // namespace platform
