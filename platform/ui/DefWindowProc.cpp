// The default window procedure: what a window does with a message that its
// own procedure leaves alone.

#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <cstring>

namespace quilbex::ui {

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    auto& ws = WindowSystem::the();
    if (!ws.on_window_thread()) {
        LRESULT result = 0;
        ws.call_on_window_thread([&] { result = DefWindowProcA(handle, message, wparam, lparam); }, handle);
        return result;
    }
    Window* w = ws.find(handle);
    if (!w)
        return 0;
    switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_SETTEXT:
        w->text = lparam ? reinterpret_cast<LPCSTR>(lparam) : "";
        ws.notify_changed(handle, kChangeText);
        if (w->kind == ControlKind::Custom)
            ws.invalidate(handle, true);
        return TRUE;
    case WM_GETTEXT: {
        if (wparam == 0 || !lparam)
            return 0;
        std::size_t n = std::min<std::size_t>(w->text.size(), wparam - 1);
        std::memcpy(reinterpret_cast<char*>(lparam), w->text.data(), n);
        reinterpret_cast<char*>(lparam)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: ws.destroy_window(handle); return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE && w->close_box)
            ws.send_message(handle, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wparam);
        ws.notify_changed(handle, kChangeFont);
        if (LOWORD(static_cast<std::uintptr_t>(lparam)))
            ws.invalidate(handle, true);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_SETICON: {
        HICON& slot = wparam == ICON_BIG ? w->big_icon : w->small_icon;
        HICON old = slot;
        slot = reinterpret_cast<HICON>(lparam);
        ws.notify_changed(handle, kChangeIcon);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(wparam == ICON_BIG ? w->big_icon : w->small_icon);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        ws.begin_paint(handle, &ps);
        ws.end_paint(handle);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = w->window_class->background;
        COLORREF color;
        if (!wparam || !brush_color(brush, &color))
            return 0;
        reinterpret_cast<HDC>(wparam)->fill_rect(ws.client_rect(*w), color);
        return 1;
    }
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) {
            bool inside = false;
            for (HWND f = ws.focus(); f && !inside; f = ws.find(f) ? ws.find(f)->parent : nullptr)
                inside = f == handle;
            if (!inside)
                ws.set_focus(handle);
        }
        return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_CTLCOLOREDIT:
        SetTextColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetTextColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    default: return 0;
    }
}

}  // namespace quilbex::ui
