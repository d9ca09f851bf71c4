#pragma once
// A shared library loaded by name (LoadLibraryW / dlopen).
#include <string>

namespace platform {

class Library {
public:
    Library() = default;
    ~Library() { Free(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Load(const std::wstring& name);
    bool IsLoaded() const { return m_handle != nullptr; }
    void* Symbol(const char* name) const;
    void Free();

private:
    void* m_handle = nullptr;
};

}  // namespace platform
