#include "platform/ui/ButtonControl.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"

namespace quilbex::ui {

namespace {

void clicked(HWND handle) {
    auto& ws = WindowSystem::the();
    Window* w = ws.find(handle);
    if (!w || !w->parent)
        return;
    ws.send_message(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), BN_CLICKED),
                    reinterpret_cast<LPARAM>(handle));
}

}  // namespace

LRESULT ButtonWindowProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    auto& ws = WindowSystem::the();
    Window* w = ws.find(handle);
    if (!w)
        return 0;
    ButtonState& b = w->button;
    switch (message) {
    case WM_LBUTTONDOWN:
        ws.set_focus(handle);
        if ((w = ws.find(handle)))
            w->button.pushed = true;
        return 0;
    case WM_LBUTTONUP: {
        if (!b.pushed)
            return 0;
        b.pushed = false;
        RECT client = ws.client_rect(*w);
        POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (PtInRect(&client, p))
            clicked(handle);
        return 0;
    }
    case WM_KEYDOWN:
        if (wparam == VK_SPACE)
            b.pushed = true;
        return 0;
    case WM_KEYUP:
        if (wparam == VK_SPACE && b.pushed) {
            b.pushed = false;
            clicked(handle);
        }
        return 0;
    case WM_KILLFOCUS: b.pushed = false; return 0;
    case BM_CLICK:
        if (w->enabled_flag())
            clicked(handle);
        return 0;
    case BM_SETSTYLE:
        w->style = (w->style & ~BS_TYPEMASK) | (static_cast<DWORD>(wparam) & BS_TYPEMASK);
        ws.notify_changed(handle, kChangeStyle);
        if (LOWORD(static_cast<std::uintptr_t>(lparam)))
            ws.invalidate(handle, true);
        return 0;
    case BM_GETSTATE: return (b.pushed ? BST_PUSHED : 0) | (ws.focus() == handle ? BST_FOCUS : 0);
    case BM_SETIMAGE: {
        void* old = b.image_type == wparam ? b.image : nullptr;
        b.image_type = static_cast<UINT>(wparam);
        b.image = reinterpret_cast<void*>(lparam);
        ws.notify_changed(handle, kChangeImage);
        return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE: return b.image_type == wparam ? reinterpret_cast<LRESULT>(b.image) : 0;
    default: break;
    }
    return DefWindowProcA(handle, message, wparam, lparam);
}

}  // namespace quilbex::ui
