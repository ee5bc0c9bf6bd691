#pragma once
// Window classes registered by name (compared without regard to case, as on
// Windows). "EDIT" and "BUTTON" are registered by the window system itself.

#include "platform/ui/Types.h"
#include "platform/ui/Window.h"

#include <string>

namespace quilbex::ui {

struct WindowClassInfo {
    std::string name;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    ControlKind kind = ControlKind::Custom;
    ATOM atom = 0;
};

ATOM RegisterClassA(const WNDCLASSA* window_class);
BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE instance);
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR class_name, WNDCLASSA* out);
int GetClassNameA(HWND window, LPSTR buffer, int size);
// GCLP_HCURSOR or GCLP_HBRBACKGROUND of the window's class; returns the old value.
LONG_PTR SetClassLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetClassLongPtrA(HWND window, int index);

}  // namespace quilbex::ui
