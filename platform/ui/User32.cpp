#include "platform/ui/User32.h"

#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <cstring>

namespace quilbex::ui {

namespace {

WindowSystem& ws() { return WindowSystem::the(); }

// Runs `f` on the window thread and returns its result; a call that cannot
// run there any more (the window system went away) gives the type's zero.
template <typename F> auto on_window_thread(F f) -> decltype(f()) {
    using Result = decltype(f());
    WindowSystem& system = ws();
    if (system.on_window_thread())
        return f();
    if constexpr (std::is_void_v<Result>) {
        system.call_on_window_thread([&] { f(); });
    } else {
        Result result{};
        system.call_on_window_thread([&] { result = f(); });
        return result;
    }
}

HWND root_of(HWND handle) {
    Window* w = ws().find(handle);
    while (w && w->parent)
        w = ws().find(w->parent);
    return w ? w->handle : nullptr;
}

}  // namespace

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE, LPVOID param) {
    return on_window_thread([&] {
        return ws().create_window(ex_style, class_name, window_name, style, x, y, width, height, parent, menu, param);
    });
}

BOOL DestroyWindow(HWND window) {
    return on_window_thread([&] { return ws().destroy_window(window) ? TRUE : FALSE; });
}

BOOL IsWindow(HWND window) { return ws().is_window(window) ? TRUE : FALSE; }

BOOL ShowWindow(HWND window, int command) {
    return on_window_thread([&] { return ws().show_window(window, command) ? TRUE : FALSE; });
}

BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w)
            return FALSE;
        if (!(flags & SWP_NOZORDER) && !ws().place_in_z_order(window, insert_after))
            return FALSE;
        if (!(w = ws().find(window)))
            return FALSE;
        RECT r = w->rect;
        if (!(flags & SWP_NOMOVE)) {
            LONG width = rect_width(r), height = rect_height(r);
            r = {x, y, x + width, y + height};
        }
        if (!(flags & SWP_NOSIZE)) {
            r.right = r.left + std::max(0, cx);
            r.bottom = r.top + std::max(0, cy);
        }
        if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            ws().set_geometry(window, r);
        if (flags & SWP_FRAMECHANGED)
            ws().notify_changed(window, kChangeStyle);
        if (flags & SWP_SHOWWINDOW)
            ws().show_window(window, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
        if (flags & SWP_HIDEWINDOW)
            ws().show_window(window, SW_HIDE);
        return ws().is_window(window) ? TRUE : FALSE;
    });
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    return on_window_thread([&] {
        return ws().set_geometry(window, {x, y, x + std::max(0, width), y + std::max(0, height)}) ? TRUE : FALSE;
    });
}

BOOL BringWindowToTop(HWND window) {
    return on_window_thread([&] { return ws().place_in_z_order(window, HWND_TOP) ? TRUE : FALSE; });
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w || !rect)
            return FALSE;
        *rect = w->rect;
        if (w->parent) {
            POINT base = ws().client_origin_on_screen(*ws().find(w->parent));
            OffsetRect(rect, base.x, base.y);
        }
        return TRUE;
    });
}

BOOL GetClientRect(HWND window, RECT* rect) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w || !rect)
            return FALSE;
        *rect = ws().client_rect(*w);
        return TRUE;
    });
}

BOOL ClientToScreen(HWND window, POINT* point) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w || !point)
            return FALSE;
        POINT o = ws().client_origin_on_screen(*w);
        point->x += o.x;
        point->y += o.y;
        return TRUE;
    });
}

BOOL ScreenToClient(HWND window, POINT* point) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w || !point)
            return FALSE;
        POINT o = ws().client_origin_on_screen(*w);
        point->x -= o.x;
        point->y -= o.y;
        return TRUE;
    });
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD ex_style) {
    if (!rect)
        return FALSE;
    Window probe;
    probe.style = style;
    probe.ex_style = ex_style;
    RECT in = ws().nonclient_insets(probe);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL IsWindowVisible(HWND window) {
    return on_window_thread([&] { return ws().is_visible(window) ? TRUE : FALSE; });
}

BOOL IsIconic(HWND window) {
    return on_window_thread([&] {
        Window* w = ws().find(window);
        return w && w->minimized ? TRUE : FALSE;
    });
}

BOOL IsZoomed(HWND window) {
    return on_window_thread([&] {
        Window* w = ws().find(window);
        return w && w->maximized ? TRUE : FALSE;
    });
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    return on_window_thread([&]() -> BOOL {
        if (!ws().find(window))
            return FALSE;
        return ws().send_message(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
    });
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    return on_window_thread([&]() -> int {
        buffer[0] = '\0';
        if (!ws().find(window))
            return 0;
        return static_cast<int>(
            ws().send_message(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
    });
}

int GetWindowTextLengthA(HWND window) {
    return on_window_thread([&] { return static_cast<int>(ws().send_message(window, WM_GETTEXTLENGTH, 0, 0)); });
}

std::string window_text(HWND window) {
    return on_window_thread([&]() -> std::string {
        if (!ws().find(window))
            return std::string();
        auto length = static_cast<std::size_t>(ws().send_message(window, WM_GETTEXTLENGTH, 0, 0));
        std::string text(length + 1, '\0');
        auto copied = static_cast<std::size_t>(
            ws().send_message(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
        text.resize(std::min(copied, length));
        return text;
    });
}

BOOL EnableWindow(HWND window, BOOL enable) {
    return on_window_thread([&] { return ws().enable_window(window, enable != FALSE) ? TRUE : FALSE; });
}

BOOL IsWindowEnabled(HWND window) {
    return on_window_thread([&] {
        Window* w = ws().find(window);
        return w && w->enabled_flag() ? TRUE : FALSE;
    });
}

HWND SetFocus(HWND window) {
    return on_window_thread([&] { return ws().set_focus(window); });
}

HWND GetFocus() {
    return on_window_thread([&] { return ws().focus(); });
}

HWND SetActiveWindow(HWND window) {
    return on_window_thread([&] { return ws().set_active(window); });
}

HWND GetActiveWindow() {
    return on_window_thread([&] { return ws().active(); });
}

BOOL SetForegroundWindow(HWND window) {
    return on_window_thread([&]() -> BOOL {
        if (!ws().find(window))
            return FALSE;
        ws().place_in_z_order(root_of(window), HWND_TOP);
        ws().set_active(window);
        return TRUE;
    });
}

HWND SetParent(HWND child, HWND new_parent) {
    return on_window_thread([&]() -> HWND {
        HWND old = nullptr;
        return ws().set_parent(child, new_parent, &old) ? old : nullptr;
    });
}

HWND GetParent(HWND window) {
    return on_window_thread([&]() -> HWND {
        Window* w = ws().find(window);
        if (!w)
            return nullptr;
        if (w->parent)
            return w->parent;
        return (w->style & WS_POPUP) ? w->owner : nullptr;
    });
}

HWND GetWindow(HWND window, UINT command) {
    return on_window_thread([&]() -> HWND {
        Window* w = ws().find(window);
        if (!w)
            return nullptr;
        if (command == GW_OWNER)
            return w->owner;
        if (command == GW_CHILD)
            return w->children.empty() ? nullptr : w->children.front();
        std::vector<HWND> siblings = w->parent ? ws().find(w->parent)->children : ws().top_level_windows();
        auto it = std::find(siblings.begin(), siblings.end(), window);
        switch (command) {
        case GW_HWNDFIRST: return siblings.front();
        case GW_HWNDLAST: return siblings.back();
        case GW_HWNDNEXT: return it + 1 == siblings.end() ? nullptr : *(it + 1);
        case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *(it - 1);
        default: return nullptr;
        }
    });
}

HWND GetTopWindow(HWND window) {
    return on_window_thread([&]() -> HWND {
        if (!window) {
            auto tops = ws().top_level_windows();
            return tops.empty() ? nullptr : tops.front();
        }
        Window* w = ws().find(window);
        return w && !w->children.empty() ? w->children.front() : nullptr;
    });
}

BOOL IsChild(HWND parent, HWND window) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        for (HWND p = w ? w->parent : nullptr; p; p = ws().find(p) ? ws().find(p)->parent : nullptr)
            if (p == parent)
                return TRUE;
        return FALSE;
    });
}

int GetDlgCtrlID(HWND window) {
    return on_window_thread([&] {
        Window* w = ws().find(window);
        return w && w->parent ? static_cast<int>(w->id) : 0;
    });
}

HWND GetDlgItem(HWND parent, int id) {
    return on_window_thread([&]() -> HWND {
        Window* p = ws().find(parent);
        if (!p)
            return nullptr;
        for (HWND c : p->children)
            if (ws().find(c)->id == static_cast<UINT_PTR>(id))
                return c;
        return nullptr;
    });
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    return on_window_thread([&]() -> LONG_PTR {
        Window* w = ws().find(window);
        if (!w)
            return 0;
        switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->procedure);
        case GWLP_USERDATA: return w->user_data;
        case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->ex_style);
        case GWLP_ID: return static_cast<LONG_PTR>(w->id);
        default: return 0;
        }
    });
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    return on_window_thread([&]() -> LONG_PTR {
        Window* w = ws().find(window);
        if (!w)
            return 0;
        LONG_PTR old = 0;
        switch (index) {
        case GWLP_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->procedure);
            if (value)
                w->procedure = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWLP_USERDATA:
            old = w->user_data;
            w->user_data = value;
            return old;
        case GWL_STYLE: {
            old = static_cast<LONG_PTR>(w->style);
            w->style = static_cast<DWORD>(value);
            unsigned changes = kChangeStyle;
            if ((static_cast<DWORD>(old) ^ w->style) & WS_VISIBLE)
                changes |= kChangeVisibility;
            if ((static_cast<DWORD>(old) ^ w->style) & WS_DISABLED)
                changes |= kChangeEnabled;
            ws().notify_changed(window, changes);
            return old;
        }
        case GWL_EXSTYLE:
            old = static_cast<LONG_PTR>(w->ex_style);
            w->ex_style = static_cast<DWORD>(value);
            ws().notify_changed(window, kChangeStyle);
            return old;
        case GWLP_ID:
            old = static_cast<LONG_PTR>(w->id);
            w->id = static_cast<UINT_PTR>(value);
            return old;
        default: return 0;
        }
    });
}

LONG GetWindowLongA(HWND window, int index) { return static_cast<LONG>(GetWindowLongPtrA(window, index)); }

LONG SetWindowLongA(HWND window, int index, LONG value) {
    LONG_PTR v = value;
    if (index == GWL_STYLE || index == GWL_EXSTYLE)
        v = static_cast<LONG_PTR>(static_cast<DWORD>(value));
    return static_cast<LONG>(SetWindowLongPtrA(window, index, v));
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return ws().send_message(window, message, wparam, lparam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return ws().post_message(window, message, wparam, lparam) ? TRUE : FALSE;
}

void PostQuitMessage(int exit_code) { ws().post_quit_message(exit_code); }

BOOL GetMessageA(MSG* msg, HWND window, UINT min, UINT max) {
    if (!msg || !ws().on_window_thread())
        return -1;
    return ws().get_message(msg, window, min, max) ? TRUE : FALSE;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT min, UINT max, UINT remove) {
    if (!msg || !ws().on_window_thread())
        return FALSE;
    return ws().peek_message(msg, window, min, max, remove) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg)
        return 0;
    return on_window_thread([&] { return ws().dispatch_message(*msg); });
}

BOOL WaitMessage() {
    if (!ws().on_window_thread())
        return FALSE;
    ws().wait_message();
    return TRUE;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return proc ? proc(window, message, wparam, lparam) : 0;
}

namespace {

// A system menu handle is its window's handle with the lowest bit set
// (window handles are multiples of 16).
HMENU system_menu_of(HWND window) { return reinterpret_cast<HMENU>(reinterpret_cast<std::uintptr_t>(window) | 1); }

Window* window_of_system_menu(HMENU menu) {
    auto value = reinterpret_cast<std::uintptr_t>(menu);
    if (!(value & 1))
        return nullptr;
    return ws().find(reinterpret_cast<HWND>(value & ~std::uintptr_t{1}));
}

bool set_close_box(HMENU menu, UINT item, UINT flags, bool enabled) {
    Window* w = window_of_system_menu(menu);
    if (!w || item != SC_CLOSE || (flags & 0x400) /* MF_BYPOSITION */)
        return false;
    if (w->close_box != enabled) {
        w->close_box = enabled;
        ws().notify_changed(w->handle, kChangeStyle);
    }
    return true;
}

}  // namespace

HMENU GetSystemMenu(HWND window, BOOL revert) {
    return on_window_thread([&]() -> HMENU {
        Window* w = ws().find(window);
        if (!w || !(w->style & WS_SYSMENU))
            return nullptr;
        if (revert) {
            set_close_box(system_menu_of(window), SC_CLOSE, MF_BYCOMMAND, true);
            return nullptr;
        }
        return system_menu_of(window);
    });
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) {
    return on_window_thread([&] { return set_close_box(menu, item, flags, false) ? TRUE : FALSE; });
}

BOOL RemoveMenu(HMENU menu, UINT item, UINT flags) { return DeleteMenu(menu, item, flags); }

int EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    return on_window_thread([&]() -> int {
        Window* w = window_of_system_menu(menu);
        if (!w || item != SC_CLOSE)
            return -1;
        int previous = w->close_box ? static_cast<int>(MF_ENABLED) : static_cast<int>(MF_GRAYED);
        set_close_box(menu, item, MF_BYCOMMAND, (enable & (MF_GRAYED | MF_DISABLED)) == 0);
        return previous;
    });
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    return on_window_thread([&] { return ws().set_timer(window, id, elapse, proc); });
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    return on_window_thread([&] { return ws().kill_timer(window, id) ? TRUE : FALSE; });
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL erase) {
    return on_window_thread([&]() -> BOOL {
        if (!ws().find(window))
            return FALSE;
        ws().invalidate(window, erase != FALSE);
        if (ws().find(window)->kind == ControlKind::Edit)
            ws().refresh_control_colors(window);
        return TRUE;
    });
}

BOOL UpdateWindow(HWND window) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w)
            return FALSE;
        if (w->needs_paint && !ws().backend().paints_natively()) {
            ws().send_message(window, WM_PAINT, 0, 0);
            if ((w = ws().find(window)))
                w->needs_paint = false;
        }
        return TRUE;
    });
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    return on_window_thread([&] { return ws().begin_paint(window, paint); });
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    return on_window_thread([&] {
        ws().end_paint(window);
        return TRUE;
    });
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return on_window_thread([&] {
        if (owner && !ws().find(owner))
            owner = nullptr;
        // A null caption is "Error", as on Windows.
        return ws().backend().message_box(owner, text ? text : "", caption ? caption : "Error", type);
    });
}

int GetSystemMetrics(int index) {
    return on_window_thread([&] { return ws().backend().system_metric(index); });
}

short GetKeyState(int virtual_key) {
    return on_window_thread([&] { return ws().key_state(virtual_key); });
}

int run_message_loop() {
    if (!ws().on_window_thread())
        return -1;
    return ws().run_until_quit();
}

bool pump_pending_messages() {
    if (!ws().on_window_thread())
        return true;
    return ws().pump_pending();
}

void run_message_loop_until(const std::function<bool()>& done) {
    if (ws().on_window_thread())
        ws().run_until(done);
}

void set_input_filter(std::function<bool(MSG&)> filter) {
    on_window_thread([&] { ws().set_input_filter(std::move(filter)); });
}

SIZE measure_text(HFONT font, std::string_view text) {
    LOGFONTA logfont = font_of(font);
    return on_window_thread([&] { return ws().backend().measure_text(logfont, text); });
}

BOOL set_window_cursor(HWND window, HCURSOR cursor) {
    return on_window_thread([&]() -> BOOL {
        Window* w = ws().find(window);
        if (!w)
            return FALSE;
        w->cursor = cursor;
        ws().notify_changed(window, kChangeCursor);
        return TRUE;
    });
}

HCURSOR window_cursor(HWND window) {
    return on_window_thread([&]() -> HCURSOR {
        Window* w = ws().find(window);
        if (!w)
            return nullptr;
        return w->cursor ? w->cursor : w->window_class->cursor;
    });
}

bool is_window_thread() { return ws().on_window_thread(); }

}  // namespace quilbex::ui
