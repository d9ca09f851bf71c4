#pragma once
// Memory from the top of the address space: on 64-bit Windows above 4 GiB, so a pointer
// that passes through a 32-bit value on its way (a window long, a timer's user data)
// comes back wrong.
#include <windows.h>

#include <cstdint>
#include <new>
#include <utility>

template <class T>
class HighPlaced {
public:
    template <class... Args>
    explicit HighPlaced(Args&&... args)
        : m_memory(::VirtualAlloc(nullptr, sizeof(T), MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE)),
          m_object(new (m_memory) T(std::forward<Args>(args)...)) {}
    ~HighPlaced() {
        m_object->~T();
        ::VirtualFree(m_memory, 0, MEM_RELEASE);
    }
    HighPlaced(const HighPlaced&) = delete;
    HighPlaced& operator=(const HighPlaced&) = delete;

    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    T* get() const { return m_object; }
    // Where a 64-bit program has room above 4 GiB, the object is there.
    bool AboveFourGiB() const {
        const uint64_t address = reinterpret_cast<uintptr_t>(m_object);
        return sizeof(void*) == 4 || address >= (uint64_t{1} << 32);
    }

private:
    void* m_memory;
    T* m_object;
};
