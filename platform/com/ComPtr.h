#pragma once
// ComPtr<T>: owns one reference on a COM interface. Adopting takes over a
// reference the caller already holds (results of CoCreateInstance,
// QueryInterface, GetTypeInfo); copying AddRefs; destruction Releases.

#include "platform/com/Interfaces.h"

#include <utility>

namespace quilbex::com {

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& other) : m_ptr(other.m_ptr) {
        if (m_ptr)
            m_ptr->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    // Takes over a reference that the caller already owns.
    static ComPtr adopt(T* ptr) {
        ComPtr result;
        result.m_ptr = ptr;
        return result;
    }
    // Adds a reference of its own.
    static ComPtr retain(T* ptr) {
        if (ptr)
            ptr->AddRef();
        return adopt(ptr);
    }

    void reset() {
        if (T* p = std::exchange(m_ptr, nullptr))
            p->Release();
    }
    // Gives up ownership of the reference without releasing it.
    T* detach() { return std::exchange(m_ptr, nullptr); }
    // Resets and returns the slot for an out-parameter.
    T** put() {
        reset();
        return &m_ptr;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    template <typename U> ComPtr<U> query() const {
        ComPtr<U> result;
        if (m_ptr)
            m_ptr->QueryInterface(InterfaceId<U>::value, result.put_void());
        return result;
    }

private:
    T* m_ptr = nullptr;
};

}  // namespace quilbex::com
