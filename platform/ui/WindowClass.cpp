#include "platform/ui/WindowClass.h"

#include "platform/ui/Constants.h"
#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <cstring>

namespace quilbex::ui {

namespace {

template <typename F> auto on_window_thread(F f) -> decltype(f()) {
    decltype(f()) result{};
    WindowSystem::the().call_on_window_thread([&] { result = f(); });
    return result;
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* window_class) {
    if (!window_class)
        return 0;
    return on_window_thread([&] { return WindowSystem::the().register_class(*window_class, ControlKind::Custom); });
}

BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE) {
    if (!class_name)
        return FALSE;
    return on_window_thread([&] { return WindowSystem::the().unregister_class(class_name) ? TRUE : FALSE; });
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR class_name, WNDCLASSA* out) {
    if (!class_name || !out)
        return FALSE;
    return on_window_thread([&]() -> BOOL {
        auto cls = WindowSystem::the().find_class(class_name);
        if (!cls)
            return FALSE;
        *out = WNDCLASSA{cls->style,  cls->procedure,  0,       0,         nullptr, cls->icon,
                         cls->cursor, cls->background, nullptr, class_name};
        return TRUE;
    });
}

int GetClassNameA(HWND window, LPSTR buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    return on_window_thread([&]() -> int {
        Window* w = WindowSystem::the().find(window);
        if (!w)
            return 0;
        std::size_t n = std::min<std::size_t>(w->window_class->name.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, w->window_class->name.data(), n);
        buffer[n] = '\0';
        return static_cast<int>(n);
    });
}

LONG_PTR SetClassLongPtrA(HWND window, int index, LONG_PTR value) {
    return on_window_thread([&]() -> LONG_PTR {
        LONG_PTR old = 0;
        return WindowSystem::the().set_class_value(window, index, value, &old) ? old : 0;
    });
}

LONG_PTR GetClassLongPtrA(HWND window, int index) {
    return on_window_thread([&]() -> LONG_PTR {
        Window* w = WindowSystem::the().find(window);
        if (!w)
            return 0;
        if (index == GCLP_HCURSOR)
            return reinterpret_cast<LONG_PTR>(w->window_class->cursor);
        if (index == GCLP_HBRBACKGROUND)
            return reinterpret_cast<LONG_PTR>(w->window_class->background);
        return 0;
    });
}

}  // namespace quilbex::ui
