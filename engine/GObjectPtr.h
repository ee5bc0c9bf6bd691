#pragma once
// Ownership of GLib/GObject values inside the engine.
//
// GRef<T> holds one strong reference to a GObject. `adopt` takes over a
// reference the caller already owns (a *_new() result; floating references
// are sunk), `retain` adds one. GUniqueChars owns a g_malloc'ed string.

#include <glib-object.h>
#include <memory>
#include <utility>

namespace quilbex::engine {

template <typename T> class GRef {
public:
    GRef() = default;
    ~GRef() { reset(); }
    GRef(const GRef& other) : m_ptr(other.m_ptr) {
        if (m_ptr)
            g_object_ref(m_ptr);
    }
    GRef(GRef&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    GRef& operator=(GRef other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    static GRef adopt(T* ptr) {
        GRef ref;
        if (ptr && g_object_is_floating(ptr))
            g_object_ref_sink(ptr);
        ref.m_ptr = ptr;
        return ref;
    }
    static GRef retain(T* ptr) {
        GRef ref;
        ref.m_ptr = ptr ? static_cast<T*>(g_object_ref_sink(ptr)) : nullptr;
        return ref;
    }

    void reset() {
        if (auto* p = std::exchange(m_ptr, nullptr))
            g_object_unref(p);
    }
    T* get() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GUniqueChars = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
    void operator()(GError* e) const { g_error_free(e); }
};
using GUniqueError = std::unique_ptr<GError, GErrorDeleter>;

}  // namespace quilbex::engine
