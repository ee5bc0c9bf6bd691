// Creation, destruction, parenting, stacking, geometry, visibility, enabled
// state, focus and activation of windows.

#include "platform/ui/Constants.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <climits>
#include <functional>

namespace quilbex::ui {

namespace {

constexpr int kCaptionHeight = 23;
constexpr int kFrameWidth = 3;
constexpr int kScrollBarSize = 17;
constexpr int kUseDefault = INT_MIN;  // CW_USEDEFAULT

}  // namespace

RECT WindowSystem::nonclient_insets(const Window& w) const {
    RECT in{0, 0, 0, 0};
    auto add = [&](int n) {
        in.left += n;
        in.top += n;
        in.right += n;
        in.bottom += n;
    };
    if (!w.is_child()) {
        // Top-level windows: a 3-pixel frame on each side and a 23-pixel
        // caption, so that template positions fit as they did on the
        // original platform.
        if ((w.style & (WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER)) != 0)
            add(kFrameWidth);
        if ((w.style & WS_CAPTION) == WS_CAPTION)
            in.top += kCaptionHeight;
        if (w.ex_style & WS_EX_CLIENTEDGE)
            add(2);
    } else {
        if (w.style & WS_BORDER)
            add(1);
        if (w.ex_style & WS_EX_CLIENTEDGE)
            add(2);
        if (w.ex_style & WS_EX_STATICEDGE)
            add(1);
        if ((w.ex_style & WS_EX_DLGMODALFRAME) || (w.style & WS_DLGFRAME))
            add(kFrameWidth);
    }
    if (w.style & WS_VSCROLL)
        in.right += kScrollBarSize;
    if (w.style & WS_HSCROLL)
        in.bottom += kScrollBarSize;
    return in;
}

RECT WindowSystem::client_rect(const Window& w) const {
    RECT in = nonclient_insets(w);
    LONG width = std::max<LONG>(0, rect_width(w.rect) - in.left - in.right);
    LONG height = std::max<LONG>(0, rect_height(w.rect) - in.top - in.bottom);
    return {0, 0, width, height};
}

POINT WindowSystem::client_origin_on_screen(const Window& w) const {
    RECT in = nonclient_insets(w);
    POINT p{w.rect.left + in.left, w.rect.top + in.top};
    if (w.parent) {
        auto it = m_windows.find(w.parent);
        if (it != m_windows.end()) {
            POINT base = client_origin_on_screen(*it->second);
            p.x += base.x;
            p.y += base.y;
        }
    }
    return p;
}

bool WindowSystem::is_visible(HWND handle) const {
    for (HWND h = handle; h;) {
        auto it = m_windows.find(h);
        if (it == m_windows.end() || !it->second->visible_flag())
            return false;
        h = it->second->parent;
    }
    return handle != nullptr;
}

void WindowSystem::insert_top_level(HWND handle, bool topmost) {
    auto it = m_top_levels.begin();
    if (!topmost)
        while (it != m_top_levels.end() && (find(*it)->ex_style & WS_EX_TOPMOST))
            ++it;
    m_top_levels.insert(it, handle);
}

HWND WindowSystem::create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                                 int height, HWND parent, HMENU menu, LPVOID param) {
    if (!class_name)
        return nullptr;
    auto cls = find_class(class_name);
    if (!cls)
        return nullptr;
    HWND owner = nullptr;
    if (style & WS_CHILD) {
        if (!find(parent))
            return nullptr;
    } else if (parent) {
        // The parent of a top-level window is its owner: the top-level window that holds it.
        Window* p = find(parent);
        if (!p)
            return nullptr;
        while (p->parent)
            p = find(p->parent);
        owner = p->handle;
        parent = nullptr;
    }
    if (x == kUseDefault) {
        x = 40;
        y = 40;
    }
    if (width == kUseDefault) {
        width = 400;
        height = 300;
    }

    auto window = std::make_unique<Window>();
    m_next_handle += 0x10;
    window->handle = reinterpret_cast<HWND>(m_next_handle);
    window->window_class = cls;
    window->procedure = cls->procedure;
    window->kind = cls->kind;
    window->style = style & ~WS_VISIBLE;
    window->ex_style = ex_style;
    window->text = title ? title : "";
    window->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    window->parent = (style & WS_CHILD) ? parent : nullptr;
    window->owner = owner;
    window->id = (style & WS_CHILD) ? reinterpret_cast<UINT_PTR>(menu) : 0;
    HWND handle = window->handle;
    Window& w = *window;
    {
        std::lock_guard lock(m_handles_mutex);
        m_windows.emplace(handle, std::move(window));
    }
    if (w.parent)
        find(w.parent)->children.insert(find(w.parent)->children.begin(), handle);
    else
        insert_top_level(handle, (ex_style & WS_EX_TOPMOST) != 0);
    m_backend->window_created(w);

    CREATESTRUCTA cs{
        param, nullptr,    menu,    (style & WS_CHILD) ? parent : owner, height, width, y, x, static_cast<LONG>(style),
        title, class_name, ex_style};
    if (!send_message(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (find(handle))
            destroy_window(handle);
        return nullptr;
    }
    if (find(handle) && send_message(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        destroy_window(handle);
        return nullptr;
    }
    if (!find(handle))
        return nullptr;
    if (find(handle)->kind == ControlKind::Edit)
        refresh_control_colors(handle);
    if ((style & WS_VISIBLE) && find(handle))
        show_window(handle, (style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
    return find(handle) ? handle : nullptr;
}

void WindowSystem::unlink(Window& w) {
    if (w.parent) {
        if (Window* p = find(w.parent))
            std::erase(p->children, w.handle);
    } else {
        std::erase(m_top_levels, w.handle);
    }
}

bool WindowSystem::destroy_window(HWND handle) {
    Window* w = find(handle);
    if (!w || w->destroying)
        return false;
    // Owned windows go first, as Windows destroys them with their owner.
    std::vector<HWND> owned;
    for (HWND top : m_top_levels)
        if (Window* t = find(top); t && t->owner == handle)
            owned.push_back(top);
    for (HWND o : owned)
        destroy_window(o);
    if (!find(handle) || find(handle)->destroying)
        return true;

    std::vector<HWND> pre_order;
    std::function<void(HWND)> collect = [&](HWND h) {
        Window* x = find(h);
        if (!x)
            return;
        pre_order.push_back(h);
        for (HWND c : x->children)
            collect(c);
    };
    collect(handle);
    for (HWND h : pre_order)
        find(h)->destroying = true;

    if (std::find(pre_order.begin(), pre_order.end(), m_focus) != pre_order.end()) {
        HWND parent = find(handle)->parent;
        set_focus(parent && find(parent) && !find(parent)->destroying ? parent : nullptr);
    }
    bool was_active = m_active == handle;
    HWND owner = find(handle)->owner;

    for (HWND h : pre_order)
        if (find(h))
            send_message(h, WM_DESTROY, 0, 0);
    std::erase_if(m_timers, [&](const Timer& t) {
        return std::find(pre_order.begin(), pre_order.end(), t.window) != pre_order.end();
    });
    for (auto it = pre_order.rbegin(); it != pre_order.rend(); ++it)
        if (find(*it))
            send_message(*it, WM_NCDESTROY, 0, 0);
    for (auto it = pre_order.rbegin(); it != pre_order.rend(); ++it) {
        Window* x = find(*it);
        if (!x)
            continue;
        m_backend->window_destroyed(*x);
        unlink(*x);
        if (m_focus == *it)
            m_focus = nullptr;
        if (m_active == *it)
            m_active = nullptr;
        std::lock_guard lock(m_handles_mutex);
        auto node = m_windows.find(*it);
        m_graveyard.push_back(std::move(node->second));
        m_windows.erase(node);
    }
    for (HWND h : pre_order)
        release_calls_for(h);

    if (was_active && !m_active) {
        HWND next = owner && is_visible(owner) ? owner : nullptr;
        for (HWND top : m_top_levels)
            if (!next && is_visible(top) && find(top)->enabled_flag())
                next = top;
        if (next)
            set_active(next);
    }
    collect_garbage();
    return true;
}

void WindowSystem::collect_garbage() {
    if (m_dispatch_depth == 0)
        m_graveyard.clear();
}

bool WindowSystem::set_parent(HWND child, HWND new_parent, HWND* old_parent) {
    Window* w = find(child);
    Window* p = find(new_parent);
    if (!w || !p)
        return false;
    for (Window* a = p; a; a = find(a->parent))
        if (a == w)
            return false;  // a window cannot hold its own ancestor
    if (old_parent)
        *old_parent = w->parent;
    unlink(*w);
    w->parent = new_parent;
    w->owner = nullptr;
    w->style = (w->style & ~WS_POPUP) | WS_CHILD;
    p->children.insert(p->children.begin(), child);
    m_backend->window_changed(*w, kChangeParent | kChangeZOrder | kChangeGeometry);
    return true;
}

bool WindowSystem::place_in_z_order(HWND handle, HWND after) {
    Window* w = find(handle);
    if (!w)
        return false;
    std::vector<HWND>& siblings = w->parent ? find(w->parent)->children : m_top_levels;
    if (after == handle)
        return true;
    if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        if (w->parent)
            return false;
        if (after == HWND_TOPMOST)
            w->ex_style |= WS_EX_TOPMOST;
        else
            w->ex_style &= ~WS_EX_TOPMOST;
        std::erase(siblings, handle);
        insert_top_level(handle, after == HWND_TOPMOST);
    } else if (after == HWND_TOP) {
        std::erase(siblings, handle);
        if (w->parent)
            siblings.insert(siblings.begin(), handle);
        else
            insert_top_level(handle, (w->ex_style & WS_EX_TOPMOST) != 0);
    } else if (after == HWND_BOTTOM) {
        std::erase(siblings, handle);
        siblings.push_back(handle);
    } else {
        auto pos = std::find(siblings.begin(), siblings.end(), after);
        if (pos == siblings.end())
            return false;
        std::erase(siblings, handle);
        pos = std::find(siblings.begin(), siblings.end(), after);
        siblings.insert(pos + 1, handle);
    }
    m_backend->window_changed(*w, kChangeZOrder);
    return true;
}

bool WindowSystem::set_geometry(HWND handle, const RECT& rect) {
    Window* w = find(handle);
    if (!w)
        return false;
    RECT old = w->rect;
    RECT fixed = rect;
    fixed.right = std::max(fixed.left, fixed.right);
    fixed.bottom = std::max(fixed.top, fixed.bottom);
    if (old == fixed)
        return true;
    w->rect = fixed;
    m_backend->window_changed(*w, kChangeGeometry);
    bool moved = old.left != fixed.left || old.top != fixed.top;
    bool sized = rect_width(old) != rect_width(fixed) || rect_height(old) != rect_height(fixed);
    if (moved) {
        RECT in = nonclient_insets(*w);
        send_message(handle, WM_MOVE, 0,
                     MAKELPARAM(static_cast<WORD>(fixed.left + in.left), static_cast<WORD>(fixed.top + in.top)));
    }
    if (sized && (w = find(handle))) {
        RECT client = client_rect(*w);
        send_message(handle, WM_SIZE, w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                     MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    }
    if ((w = find(handle)))
        invalidate(handle, true);
    return true;
}

bool WindowSystem::show_window(HWND handle, int command) {
    Window* w = find(handle);
    if (!w)
        return false;
    bool was_visible = w->visible_flag();
    bool activate = false;
    if (command == SW_HIDE) {
        if (!was_visible)
            return false;
        send_message(handle, WM_SHOWWINDOW, FALSE, 0);
        if (!(w = find(handle)))
            return true;
        w->style &= ~WS_VISIBLE;
        m_backend->window_changed(*w, kChangeVisibility);
        bool focus_inside = false;
        for (HWND f = m_focus; f; f = find(f) ? find(f)->parent : nullptr)
            focus_inside = focus_inside || f == handle;
        if (focus_inside)
            set_focus(w->parent);
        if (m_active == handle) {
            HWND next = w->owner && is_visible(w->owner) ? w->owner : nullptr;
            for (HWND top : m_top_levels)
                if (!next && top != handle && is_visible(top))
                    next = top;
            set_active(next);
        }
        return true;
    }
    if (!was_visible) {
        send_message(handle, WM_SHOWWINDOW, TRUE, 0);
        if (!(w = find(handle)))
            return false;
    }
    unsigned changes = kChangeVisibility;
    switch (command) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        w->minimized = true;
        w->maximized = false;
        w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
        changes |= kChangeGeometry;
        break;
    case SW_SHOWMAXIMIZED:
        w->maximized = true;
        w->minimized = false;
        w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        changes |= kChangeGeometry;
        activate = true;
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (w->minimized || w->maximized)
            changes |= kChangeGeometry;
        w->minimized = w->maximized = false;
        w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        activate = true;
        break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE: break;
    default: activate = true; break;
    }
    w->style |= WS_VISIBLE;
    m_backend->window_changed(*w, changes);
    if (!was_visible)
        invalidate(handle, true);
    if (activate && !w->is_child() && !w->minimized)
        set_active(handle);
    return was_visible;
}

bool WindowSystem::enable_window(HWND handle, bool enable) {
    Window* w = find(handle);
    if (!w)
        return false;
    bool was_disabled = !w->enabled_flag();
    if (was_disabled == !enable)
        return was_disabled;
    if (enable)
        w->style &= ~WS_DISABLED;
    else
        w->style |= WS_DISABLED;
    m_backend->window_changed(*w, kChangeEnabled);
    send_message(handle, WM_ENABLE, enable ? TRUE : FALSE, 0);
    if (!enable) {
        for (HWND f = m_focus; f; f = find(f) ? find(f)->parent : nullptr)
            if (f == handle) {
                set_focus(nullptr);
                break;
            }
    }
    if ((w = find(handle)) && w->kind == ControlKind::Edit)
        refresh_control_colors(handle);
    return was_disabled;
}

bool WindowSystem::takes_input(HWND handle) {
    if (!handle || !find(handle))
        return false;
    for (Window* w = find(handle); w; w = w->parent ? find(w->parent) : nullptr)
        if (!w->enabled_flag())
            return false;
    return true;
}

HWND WindowSystem::front_enabled_window(HWND except) {
    for (HWND top : m_top_levels)
        if (top != except && is_visible(top) && find(top)->enabled_flag())
            return top;
    return nullptr;
}

bool WindowSystem::request_close(HWND handle) {
    Window* w = find(handle);
    if (!w)
        return false;
    while (w->parent)
        w = find(w->parent);
    if (!w->enabled_flag()) {
        set_active(w->handle);  // brings the enabled window in front
        return false;
    }
    send_message(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
}

HWND WindowSystem::set_focus(HWND handle) {
    if (handle && !find(handle))
        return nullptr;
    if (handle) {
        Window* top = find(handle);
        while (top->parent)
            top = find(top->parent);
        // The focus never moves into a disabled top-level window.
        if (!top->enabled_flag())
            return nullptr;
        if (m_active != top->handle)
            set_active(top->handle);
        if (!find(handle))
            return nullptr;
    }
    HWND old = m_focus;
    if (old == handle)
        return old;
    m_focus = handle;
    if (old && find(old))
        send_message(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    if (m_focus != handle)
        return old;
    m_backend->focus_changed(find(old) ? old : nullptr, handle);
    if (handle && find(handle))
        send_message(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND WindowSystem::set_active(HWND handle) {
    if (handle) {
        Window* w = find(handle);
        if (!w)
            return nullptr;
        while (w->parent)
            w = find(w->parent);
        handle = w->handle;
        if (!w->enabled_flag()) {
            HWND front = front_enabled_window(handle);
            if (!front)
                return m_active;
            if (front == m_active) {
                // Already active: still brought to the front for the user.
                m_backend->window_changed(*find(front), kChangeActivation);
                return m_active;
            }
            handle = front;
        }
    }
    HWND old = m_active;
    if (old == handle)
        return old;
    m_active = handle;
    if (old && find(old)) {
        send_message(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(handle));
        if (Window* o = find(old))
            m_backend->window_changed(*o, kChangeActivation);
    }
    if (handle && find(handle) && m_active == handle) {
        m_backend->window_changed(*find(handle), kChangeActivation);
        send_message(handle, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
    }
    return old;
}

void WindowSystem::notify_changed(HWND handle, unsigned changes) {
    if (Window* w = find(handle))
        m_backend->window_changed(*w, changes);
}

}  // namespace quilbex::ui
