#pragma once
// A reference-holding pointer for GObjects. adopt() takes over a reference
// the caller owns (a new cairo-free GObject, a pixbuf); ref() adds one and
// sinks a floating reference (a fresh widget), so the pointer always owns
// exactly one reference and drops it when it goes.

#include <glib-object.h>
#include <utility>

namespace quilbex::ui::gtk {

template <typename T> class GObjectPtr {
public:
    GObjectPtr() = default;
    static GObjectPtr adopt(T* object) {
        GObjectPtr p;
        p.m_object = object;
        return p;
    }
    static GObjectPtr ref(T* object) {
        GObjectPtr p;
        if (object)
            p.m_object = static_cast<T*>(g_object_ref_sink(object));
        return p;
    }
    GObjectPtr(const GObjectPtr& other) : m_object(other.m_object) {
        if (m_object)
            g_object_ref(m_object);
    }
    GObjectPtr(GObjectPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr other) {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~GObjectPtr() {
        if (m_object)
            g_object_unref(m_object);
    }
    T* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

}  // namespace quilbex::ui::gtk
