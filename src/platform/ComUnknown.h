#pragma once
// The base of in-process COM objects: the system's IUnknown on Windows, the same three
// slots natively, so an interface declared over it has the same slot order everywhere.
#ifdef _WIN32
#include <unknwn.h>
namespace platform {
using ComUnknown = IUnknown;
}
#else
#include <cstdint>
namespace platform {
struct ComUnknown {
    virtual int32_t QueryInterface(const void* iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~ComUnknown() = default;
};
}  // namespace platform
#endif

namespace platform {

// Owns one reference to a COM object: released when replaced or destroyed.
template <class T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* object) : m_object(object) {}
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    void Reset(T* object = nullptr) {
        T* old = m_object;
        m_object = object;
        if (old) old->Release();
    }
    T* Detach() {
        T* object = m_object;
        m_object = nullptr;
        return object;
    }
    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    // For a call that hands out a reference through T**: what was held is released first.
    T** Put() {
        Reset();
        return &m_object;
    }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

}  // namespace platform

// Drivers for 32-bit Windows implement their methods as __thiscall (this in ECX, callee
// pops); every other target has one convention.
#if defined(_WIN32) && defined(__i386__)
#define ORVANE_THISCALL __attribute__((thiscall))
#else
#define ORVANE_THISCALL
#endif
