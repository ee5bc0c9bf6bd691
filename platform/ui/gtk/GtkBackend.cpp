#include "platform/ui/gtk/GtkBackend.h"

#include "platform/ui/Constants.h"
#include "platform/ui/EditControl.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/gtk/CairoContext.h"
#include "platform/ui/gtk/GtkText.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace quilbex::ui::gtk {

namespace {

std::atomic<GtkBackend*> g_current{nullptr};

// The widgets of one window; signal handlers carry the window handle as their
// data and find everything through it, so a handler firing for a window that
// is gone does nothing.
struct GtkNative final : NativeWindow {
    HWND handle = nullptr;
    GObjectPtr<GtkWidget> outer;  // GtkWindow, GtkFixed, GtkEntry, GtkScrolledWindow or GtkButton
    GtkWidget* client = nullptr;  // GtkFixed that holds children
    GtkWidget* editor = nullptr;  // GtkEntry or GtkTextView
    GtkWidget* label = nullptr;   // a button's label
    GObjectPtr<GtkCssProvider> css;
    int syncing = 0;  // >0 while the window system writes into the widgets
};

GtkNative* native_of(const Window& w) { return static_cast<GtkNative*>(w.native.get()); }

// Every widget made for a window carries the window's handle under this key;
// a widget without it was put there by someone else (a browser view).
constexpr const char* kHandleKey = "quilbex-hwnd";

// The first focusable widget inside a control's client area that is not one
// of ours, or null.
GtkWidget* hosted_focus_widget(GtkWidget* client) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(client));
    GtkWidget* found = nullptr;
    for (GList* it = children; it && !found; it = it->next) {
        auto* child = static_cast<GtkWidget*>(it->data);
        if (!g_object_get_data(G_OBJECT(child), kHandleKey) && gtk_widget_get_can_focus(child) &&
            gtk_widget_get_visible(child))
            found = child;
    }
    g_list_free(children);
    return found;
}

constexpr const char* kBaseCss =
    ".quilbex-edit, .quilbex-edit text { min-height: 0; min-width: 0; padding: 0 2px; border-radius: 0; }\n"
    ".quilbex-button { min-height: 0; min-width: 0; padding: 0 2px; }\n"
    ".quilbex-button label { padding: 0; }\n";

struct SyncGuard {
    explicit SyncGuard(GtkNative* n) : native(n) { ++native->syncing; }
    ~SyncGuard() { --native->syncing; }
    GtkNative* native;
};

std::string utf8_of(std::string_view gbk) { return gbk_to_utf8(gbk); }

}  // namespace

// GTK signal handlers. Each looks the window up by handle first.
struct Handlers {
    static Window* find(gpointer data) {
        GtkBackend* b = GtkBackend::current();
        return b && b->m_system ? b->m_system->find(static_cast<HWND>(data)) : nullptr;
    }
    static WindowSystem& ws() { return *GtkBackend::current()->m_system; }

    static WPARAM key_state_bits(guint state) {
        WPARAM bits = 0;
        if (state & GDK_CONTROL_MASK)
            bits |= MK_CONTROL;
        if (state & GDK_SHIFT_MASK)
            bits |= MK_SHIFT;
        if (state & GDK_BUTTON1_MASK)
            bits |= MK_LBUTTON;
        if (state & GDK_BUTTON3_MASK)
            bits |= MK_RBUTTON;
        return bits;
    }

    static void track_modifiers(guint state) {
        ws().set_key_down(VK_CONTROL, (state & GDK_CONTROL_MASK) != 0);
        ws().set_key_down(VK_SHIFT, (state & GDK_SHIFT_MASK) != 0);
        ws().set_key_down(VK_MENU, (state & GDK_MOD1_MASK) != 0);
    }

    static UINT virtual_key(guint keyval) {
        if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
            return 'A' + (keyval - GDK_KEY_a);
        if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z)
            return 'A' + (keyval - GDK_KEY_A);
        if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9)
            return '0' + (keyval - GDK_KEY_0);
        if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
            return 0x60 + (keyval - GDK_KEY_KP_0);
        if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
            return VK_F1 + (keyval - GDK_KEY_F1);
        switch (keyval) {
        case GDK_KEY_Return: case GDK_KEY_KP_Enter: return VK_RETURN;
        case GDK_KEY_Escape: return VK_ESCAPE;
        case GDK_KEY_Tab: case GDK_KEY_ISO_Left_Tab: return VK_TAB;
        case GDK_KEY_BackSpace: return VK_BACK;
        case GDK_KEY_Delete: case GDK_KEY_KP_Delete: return VK_DELETE;
        case GDK_KEY_Insert: return VK_INSERT;
        case GDK_KEY_space: return VK_SPACE;
        case GDK_KEY_Left: return VK_LEFT;
        case GDK_KEY_Right: return VK_RIGHT;
        case GDK_KEY_Up: return VK_UP;
        case GDK_KEY_Down: return VK_DOWN;
        case GDK_KEY_Home: return VK_HOME;
        case GDK_KEY_End: return VK_END;
        case GDK_KEY_Page_Up: return VK_PRIOR;
        case GDK_KEY_Page_Down: return VK_NEXT;
        case GDK_KEY_Shift_L: case GDK_KEY_Shift_R: return VK_SHIFT;
        case GDK_KEY_Control_L: case GDK_KEY_Control_R: return VK_CONTROL;
        case GDK_KEY_Alt_L: case GDK_KEY_Alt_R: return VK_MENU;
        case GDK_KEY_KP_Multiply: return 0x6A;
        case GDK_KEY_KP_Add: return 0x6B;
        case GDK_KEY_KP_Subtract: return 0x6D;
        case GDK_KEY_KP_Decimal: return 0x6E;
        case GDK_KEY_KP_Divide: return 0x6F;
        case GDK_KEY_semicolon: case GDK_KEY_colon: return 0xBA;
        case GDK_KEY_equal: case GDK_KEY_plus: return 0xBB;
        case GDK_KEY_comma: case GDK_KEY_less: return 0xBC;
        case GDK_KEY_minus: case GDK_KEY_underscore: return 0xBD;
        case GDK_KEY_period: case GDK_KEY_greater: return 0xBE;
        case GDK_KEY_slash: case GDK_KEY_question: return 0xBF;
        case GDK_KEY_grave: case GDK_KEY_asciitilde: return 0xC0;
        case GDK_KEY_bracketleft: case GDK_KEY_braceleft: return 0xDB;
        case GDK_KEY_backslash: case GDK_KEY_bar: return 0xDC;
        case GDK_KEY_bracketright: case GDK_KEY_braceright: return 0xDD;
        case GDK_KEY_apostrophe: case GDK_KEY_quotedbl: return 0xDE;
        default: return 0;
        }
    }

    // The characters a key types into a custom-painted window.
    static void type_key(HWND target, GdkEventKey* e) {
        WPARAM code = 0;
        switch (e->keyval) {
        case GDK_KEY_Return: case GDK_KEY_KP_Enter: code = '\r'; break;
        case GDK_KEY_Escape: code = 0x1B; break;
        case GDK_KEY_BackSpace: code = 0x08; break;
        case GDK_KEY_Tab: code = '\t'; break;
        default: {
            gunichar c = gdk_keyval_to_unicode(e->keyval);
            if (!c || (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)))
                return;
            char utf8[8] = {};
            g_unichar_to_utf8(c, utf8);
            std::string gbk = utf8_to_gbk(utf8);
            if (gbk.size() == 1)
                code = static_cast<unsigned char>(gbk[0]);
            else if (gbk.size() == 2)
                code = (static_cast<WPARAM>(static_cast<unsigned char>(gbk[0])) << 8) | static_cast<unsigned char>(gbk[1]);
        }
        }
        if (code)
            ws().deliver_input(MSG{target, WM_CHAR, code, 1, 0, {0, 0}});
    }

    static gboolean key(GtkWidget* window, GdkEventKey* e, gpointer data) {
        Window* top = find(data);
        if (!top)
            return FALSE;
        track_modifiers(e->state);
        if (!top->enabled_flag())
            return TRUE;  // a disabled window takes no keys, not even GTK's own Tab or Enter
        UINT vk = virtual_key(e->keyval);
        if (!vk)
            return FALSE;
        bool down = e->type == GDK_KEY_PRESS;
        if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
            ws().set_key_down(vk, down);
        bool alt = (e->state & GDK_MOD1_MASK) != 0;
        UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        LPARAM lparam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
        // A hosted widget (a browser view) with the keyboard focus: the input
        // filter sees the key as addressed to the window that hosts it, and
        // what the filter lets through goes on to the widget itself. Tab and
        // Shift+Tab stay with the widget, which moves between the fields of
        // its page; the window's keyboard navigation never sees them.
        if (HWND host = foreign_host(gtk_window_get_focus(GTK_WINDOW(window)))) {
            if (vk == VK_TAB)
                return FALSE;
            return ws().deliver_input(MSG{host, message, vk, lparam, 0, {0, 0}}) ? TRUE : FALSE;
        }
        HWND target = top->handle;
        for (HWND f = ws().focus(); f; f = find(f) ? find(f)->parent : nullptr)
            if (f == top->handle)
                target = ws().focus();
        if (ws().deliver_input(MSG{target, message, vk, lparam, 0, {0, 0}}))
            return TRUE;
        Window* t = find(target);
        if (!t)
            return TRUE;
        switch (t->kind) {
        case ControlKind::Edit:
            return FALSE;  // the editor handles it; what it types arrives through insert-text
        case ControlKind::Button:
            return vk == VK_TAB ? FALSE : TRUE;  // the button procedure clicks on Space
        case ControlKind::Custom:
            if (down && !alt)
                type_key(target, e);
            return vk == VK_TAB ? FALSE : TRUE;
        }
        return TRUE;
    }

    static gboolean button(GtkWidget*, GdkEventButton* e, gpointer data) {
        Window* w = find(data);
        if (!w || (e->button != 1 && e->button != 3))
            return FALSE;
        HWND h = w->handle;
        POINT p{static_cast<LONG>(e->x_root), static_cast<LONG>(e->y_root)};
        POINT origin = ws().client_origin_on_screen(*w);
        p.x -= origin.x;
        p.y -= origin.y;
        bool left = e->button == 1;
        UINT message;
        if (e->type == GDK_BUTTON_PRESS)
            message = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
        else if (e->type == GDK_2BUTTON_PRESS)
            message = left ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
        else if (e->type == GDK_BUTTON_RELEASE)
            message = left ? WM_LBUTTONUP : WM_RBUTTONUP;
        else
            return FALSE;
        if (message == WM_LBUTTONDBLCLK && !(w->window_class->style & CS_DBLCLKS))
            message = WM_LBUTTONDOWN;
        track_modifiers(e->state);
        WPARAM state = key_state_bits(e->state);
        if (e->type != GDK_BUTTON_RELEASE)
            state |= left ? MK_LBUTTON : MK_RBUTTON;
        else
            state &= ~(left ? MK_LBUTTON : MK_RBUTTON);
        ControlKind kind = w->kind;
        bool consumed = ws().deliver_input(
            MSG{h, message, state, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)), 0, p});
        return consumed || kind == ControlKind::Custom;
    }

    static gboolean motion(GtkWidget*, GdkEventMotion* e, gpointer data) {
        Window* w = find(data);
        if (!w)
            return FALSE;
        POINT origin = ws().client_origin_on_screen(*w);
        POINT p{static_cast<LONG>(e->x_root) - origin.x, static_cast<LONG>(e->y_root) - origin.y};
        ControlKind kind = w->kind;
        bool consumed = ws().deliver_input(MSG{w->handle, WM_MOUSEMOVE, key_state_bits(e->state),
                                               MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)), 0, p});
        return consumed || kind == ControlKind::Custom;
    }

    static gboolean scroll(GtkWidget*, GdkEventScroll* e, gpointer data) {
        Window* w = find(data);
        if (!w)
            return FALSE;
        int notches = 0;
        if (e->direction == GDK_SCROLL_UP)
            notches = 1;
        else if (e->direction == GDK_SCROLL_DOWN)
            notches = -1;
        else if (e->direction == GDK_SCROLL_SMOOTH)
            notches = e->delta_y < 0 ? 1 : e->delta_y > 0 ? -1 : 0;
        if (!notches)
            return FALSE;
        HWND target = ws().focus() ? ws().focus() : w->handle;
        auto distance = static_cast<WORD>(static_cast<short>(notches * 120));
        return ws().deliver_input(MSG{target, WM_MOUSEWHEEL,
                                      MAKEWPARAM(static_cast<WORD>(key_state_bits(e->state)), distance), 0, 0, {0, 0}});
    }

    static gboolean draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
        Window* w = find(data);
        if (!w)
            return FALSE;
        HWND h = w->handle;
        RECT insets = w->is_child() ? ws().nonclient_insets(*w) : RECT{0, 0, 0, 0};
        int width = gtk_widget_get_allocated_width(widget);
        int height = gtk_widget_get_allocated_height(widget);
        if (w->is_child() && (insets.left || insets.top)) {
            // The frame of a bordered custom window: a sunken or flat edge.
            bool flat = (w->style & WS_BORDER) && !(w->ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
            COLORREF dark = flat ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNSHADOW);
            COLORREF light = flat ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNHIGHLIGHT);
            CairoContext frame(cr, {0, 0, width, height});
            frame.fill_rect({0, 0, width, insets.top}, dark);
            frame.fill_rect({0, 0, insets.left, height}, dark);
            frame.fill_rect({0, height - insets.bottom, width, height}, light);
            frame.fill_rect({width - insets.right, 0, width, height}, light);
        }
        cairo_save(cr);
        cairo_translate(cr, insets.left, insets.top);
        RECT client = ws().client_rect(*w);
        cairo_rectangle(cr, 0, 0, client.right, client.bottom);
        cairo_clip(cr);
        double x1, y1, x2, y2;
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        {
            CairoContext context(cr, {static_cast<LONG>(x1), static_cast<LONG>(y1), static_cast<LONG>(x2 + 0.999),
                                      static_cast<LONG>(y2 + 0.999)});
            ws().paint_with(h, context);
        }
        cairo_restore(cr);
        return FALSE;  // the container then draws the children
    }

    static gboolean delete_event(GtkWidget*, GdkEvent*, gpointer data) {
        if (Window* w = find(data))
            ws().request_close(w->handle);
        return TRUE;  // the window system destroys the window itself
    }

    static gboolean configure(GtkWidget*, GdkEventConfigure* e, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing || w->minimized)
            return FALSE;
        RECT in = ws().nonclient_insets(*w);
        RECT outer{e->x - in.left, e->y - in.top, e->x + e->width + in.right, e->y + e->height + in.bottom};
        // Only a move or resize made by the user or the window manager reaches the records.
        RECT client = ws().client_rect(*w);
        POINT origin = ws().client_origin_on_screen(*w);
        if (origin.x != e->x || origin.y != e->y || client.right != e->width || client.bottom != e->height) {
            GtkBackend* b = GtkBackend::current();
            b->m_reported_place = {w->handle, outer};
            ws().set_geometry(w->handle, outer);
            if (GtkBackend::current())
                GtkBackend::current()->m_reported_place = {};
        }
        return FALSE;
    }

    static gboolean window_state(GtkWidget*, GdkEventWindowState* e, gpointer data) {
        Window* w = find(data);
        if (!w)
            return FALSE;
        bool minimized = (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
        bool maximized = (e->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
        if (minimized == w->minimized && maximized == w->maximized)
            return FALSE;
        w->minimized = minimized;
        w->maximized = maximized;
        w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | (minimized ? WS_MINIMIZE : 0) | (maximized ? WS_MAXIMIZE : 0);
        RECT client = ws().client_rect(*w);
        ws().send_message(w->handle, WM_SIZE, minimized ? SIZE_MINIMIZED : maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                          MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
        return FALSE;
    }

    // The window lost the input focus to another window (ours or not): it is
    // no longer the active window, as on Windows.
    static gboolean top_focus_out(GtkWidget*, GdkEventFocus*, gpointer data) {
        Window* w = find(data);
        if (w && ws().active() == w->handle && !native_of(*w)->syncing)
            ws().set_active(nullptr);
        return FALSE;
    }

    // The window manager gave a window the focus (a click on it, for one). A
    // disabled window does not become active: the window system activates the
    // window that disabled it and brings it to the front.
    static gboolean top_focus_in(GtkWidget*, GdkEventFocus*, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing)
            return FALSE;
        if (!w->enabled_flag() || ws().active() != w->handle)
            ws().set_active(w->handle);
        return FALSE;
    }

    // The window that hosts a widget which is not one of ours (a browser
    // view put into a control's client area), or null for our own widgets.
    static HWND foreign_host(GtkWidget* widget) {
        if (!widget || g_object_get_data(G_OBJECT(widget), kHandleKey))
            return nullptr;
        for (GtkWidget* p = gtk_widget_get_parent(widget); p; p = gtk_widget_get_parent(p))
            if (void* handle = g_object_get_data(G_OBJECT(p), kHandleKey))
                return find(handle) ? static_cast<HWND>(handle) : nullptr;
        return nullptr;
    }

    // GTK moved the keyboard focus inside a top-level window. A hosted widget
    // taking it makes its host the focus window, as a child window would on
    // Windows; our own widgets report it through their focus-in handler.
    static void set_focus(GtkWindow*, GtkWidget* widget, gpointer) {
        if (HWND host = foreign_host(widget))
            focus_moved_by_toolkit(host);
    }

    static gboolean focus_in(GtkWidget*, GdkEventFocus*, gpointer data) {
        if (Window* w = find(data))
            focus_moved_by_toolkit(w->handle);
        return FALSE;
    }

    // The records follow a focus change GTK has already made; it is not
    // requested back from GTK.
    static void focus_moved_by_toolkit(HWND handle) {
        if (ws().focus() == handle)
            return;
        GtkBackend::current()->m_focus_from_toolkit = true;
        ws().set_focus(handle);
        if (GtkBackend* b = GtkBackend::current())
            b->m_focus_from_toolkit = false;
    }

    // Typing into a native editor: the characters go to the window as
    // WM_CHAR (so the input filter and the edit procedure decide what is
    // inserted); the editor then shows the window's text.
    static void type_into(Window& w, std::size_t start, std::size_t end, const gchar* text, gint length) {
        HWND h = w.handle;
        edit_selection_by_user(h, start, end);
        std::string gbk = utf8_to_gbk(std::string_view(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length)));
        for (std::size_t i = 0; i < gbk.size();) {
            std::size_t n = gbk_char_length(gbk, i);
            WPARAM code = static_cast<unsigned char>(gbk[i]);
            if (n == 2)
                code = (code << 8) | static_cast<unsigned char>(gbk[i + 1]);
            if (code == '\n')
                code = '\r';
            i += n;
            if (!find(h))
                return;
            ws().deliver_input(MSG{h, WM_CHAR, code, 1, 0, {0, 0}});
        }
        if (Window* now = find(h)) {
            GtkBackend::current()->sync_edit_text(*now);
            GtkBackend::current()->sync_edit_selection(*now);
        }
    }

    static void entry_insert(GtkEditable* editable, const gchar* text, gint length, gint* position, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing)
            return;
        g_signal_stop_emission_by_name(editable, "insert-text");
        HWND h = w->handle;
        std::size_t at = gbk_offset_of_char(w->text, *position);
        type_into(*w, at, at, text, length);
        // The entry puts its caret where this position ends up.
        if (Window* now = find(h))
            *position = static_cast<gint>(char_count_of_gbk(now->text, now->edit.selection_end));
    }

    static void buffer_insert(GtkTextBuffer* buffer, GtkTextIter* iter, const gchar* text, gint length, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing)
            return;
        g_signal_stop_emission_by_name(buffer, "insert-text");
        std::size_t at = gbk_offset_of_char(w->text, gtk_text_iter_get_offset(iter) + gtk_text_iter_get_line(iter));
        type_into(*w, at, at, text, length);
        // The buffer changed under the iterator: point it at the caret again.
        gtk_text_buffer_get_iter_at_mark(buffer, iter, gtk_text_buffer_get_insert(buffer));
    }

    static std::string editor_text(GtkWidget* editor, long* caret) {
        if (GTK_IS_ENTRY(editor)) {
            *caret = gtk_editable_get_position(GTK_EDITABLE(editor));
            return gtk_entry_get_text(GTK_ENTRY(editor));
        }
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(editor));
        GtkTextIter start, end, insert;
        gtk_text_buffer_get_bounds(buffer, &start, &end);
        gtk_text_buffer_get_iter_at_mark(buffer, &insert, gtk_text_buffer_get_insert(buffer));
        *caret = gtk_text_iter_get_offset(&insert);
        gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
        std::string out = text;
        g_free(text);
        return out;
    }

    // Editor text keeps "\n"; the window's text keeps Windows line ends.
    static std::string windows_lines(const std::string& utf8) {
        std::string out;
        for (char c : utf8) {
            if (c == '\n')
                out += '\r';
            out += c;
        }
        return out;
    }

    static void edited(GtkWidget* editor, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing)
            return;
        long caret_chars = 0;
        std::string gbk = utf8_to_gbk(windows_lines(editor_text(editor, &caret_chars)));
        // The editor counts characters without the "\r" of each line end.
        std::size_t caret = 0;
        for (long chars = 0; caret < gbk.size() && chars < caret_chars;) {
            if (gbk[caret] != '\r')
                ++chars;
            caret += gbk_char_length(gbk, caret);
        }
        edit_changed_by_user(w->handle, std::move(gbk), caret);
    }

    static void entry_changed(GtkEditable* editable, gpointer data) { edited(GTK_WIDGET(editable), data); }

    static void buffer_changed(GtkTextBuffer*, gpointer data) {
        Window* w = find(data);
        if (w && native_of(*w)->editor)
            edited(native_of(*w)->editor, data);
    }

    static void entry_caret(GObject* object, GParamSpec*, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing)
            return;
        gint start = 0, end = 0;
        if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(object), &start, &end))
            start = end = gtk_editable_get_position(GTK_EDITABLE(object));
        edit_selection_by_user(w->handle, gbk_offset_of_char(w->text, start), gbk_offset_of_char(w->text, end));
    }

    static void mark_set(GtkTextBuffer* buffer, GtkTextIter*, GtkTextMark* mark, gpointer data) {
        Window* w = find(data);
        if (!w || native_of(*w)->syncing)
            return;
        if (mark != gtk_text_buffer_get_insert(buffer) && mark != gtk_text_buffer_get_selection_bound(buffer))
            return;
        GtkTextIter a, b;
        gtk_text_buffer_get_iter_at_mark(buffer, &a, gtk_text_buffer_get_insert(buffer));
        gtk_text_buffer_get_iter_at_mark(buffer, &b, gtk_text_buffer_get_selection_bound(buffer));
        auto offset = [&](const GtkTextIter& it) {
            // Lines before the iterator each add one byte for the "\r" of "\r\n".
            return gbk_offset_of_char(w->text, gtk_text_iter_get_offset(&it) + gtk_text_iter_get_line(&it));
        };
        edit_selection_by_user(w->handle, offset(a), offset(b));
    }

    static void realize(GtkWidget*, gpointer data) {
        if (Window* w = find(data))
            GtkBackend::current()->apply_cursor(*w);
    }
};

GtkBackend::GtkBackend() {
    m_base_css = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(m_base_css.get(), kBaseCss, -1, nullptr);
    if (GdkScreen* screen = gdk_screen_get_default())
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(m_base_css.get()),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION - 1);
}

GtkBackend::~GtkBackend() {
    if (GdkScreen* screen = gdk_screen_get_default())
        gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(m_base_css.get()));
}

GtkBackend* GtkBackend::current() { return g_current.load(); }

void GtkBackend::attach(WindowSystem& system) {
    m_system = &system;
    g_current = this;
}

void GtkBackend::detach() {
    GtkBackend* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

GtkWidget* GtkBackend::parent_container(const Window& w, POINT* offset) const {
    *offset = {0, 0};
    for (HWND h = w.parent; h;) {
        Window* p = m_system->find(h);
        if (!p)
            return nullptr;
        GtkNative* n = native_of(*p);
        if (n && n->client) {
            if (p->is_child()) {
                RECT in = m_system->nonclient_insets(*p);
                offset->x += in.left;
                offset->y += in.top;
            }
            return n->client;
        }
        offset->x += p->rect.left;
        offset->y += p->rect.top;
        h = p->parent;
    }
    return nullptr;
}

void GtkBackend::window_created(Window& w) {
    auto native = std::make_unique<GtkNative>();
    native->handle = w.handle;
    gpointer data = w.handle;
    const int events = GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK |
                       GDK_SMOOTH_SCROLL_MASK | GDK_FOCUS_CHANGE_MASK | GDK_KEY_PRESS_MASK;
    auto input_signals = [&](GtkWidget* widget) {
        gtk_widget_add_events(widget, events);
        g_signal_connect(widget, "button-press-event", G_CALLBACK(Handlers::button), data);
        g_signal_connect(widget, "button-release-event", G_CALLBACK(Handlers::button), data);
        g_signal_connect(widget, "motion-notify-event", G_CALLBACK(Handlers::motion), data);
        g_signal_connect(widget, "scroll-event", G_CALLBACK(Handlers::scroll), data);
        g_signal_connect(widget, "focus-in-event", G_CALLBACK(Handlers::focus_in), data);
    };
    auto make_fixed = [&]() {
        GtkWidget* fixed = gtk_fixed_new();
        gtk_widget_set_has_window(fixed, TRUE);
        gtk_widget_set_can_focus(fixed, TRUE);
        g_signal_connect(fixed, "draw", G_CALLBACK(Handlers::draw), data);
        g_signal_connect(fixed, "realize", G_CALLBACK(Handlers::realize), data);
        input_signals(fixed);
        return fixed;
    };

    if (!w.is_child()) {
        GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        native->outer = GObjectPtr<GtkWidget>::ref(window);
        gtk_window_set_gravity(GTK_WINDOW(window), GDK_GRAVITY_STATIC);
        native->client = make_fixed();
        g_object_set_data(G_OBJECT(window), kHandleKey, w.handle);
        g_object_set_data(G_OBJECT(native->client), kHandleKey, w.handle);
        gtk_container_add(GTK_CONTAINER(window), native->client);
        gtk_widget_show(native->client);
        g_signal_connect(window, "delete-event", G_CALLBACK(Handlers::delete_event), data);
        g_signal_connect(window, "key-press-event", G_CALLBACK(Handlers::key), data);
        g_signal_connect(window, "key-release-event", G_CALLBACK(Handlers::key), data);
        g_signal_connect(window, "configure-event", G_CALLBACK(Handlers::configure), data);
        g_signal_connect(window, "window-state-event", G_CALLBACK(Handlers::window_state), data);
        g_signal_connect(window, "focus-in-event", G_CALLBACK(Handlers::top_focus_in), data);
        g_signal_connect(window, "focus-out-event", G_CALLBACK(Handlers::top_focus_out), data);
        g_signal_connect(window, "set-focus", G_CALLBACK(Handlers::set_focus), nullptr);
    } else {
        GtkWidget* outer = nullptr;
        switch (w.kind) {
        case ControlKind::Custom:
            outer = native->client = make_fixed();
            break;
        case ControlKind::Edit:
            if (w.style & ES_MULTILINE) {
                outer = gtk_scrolled_window_new(nullptr, nullptr);
                native->editor = gtk_text_view_new();
                gtk_container_add(GTK_CONTAINER(outer), native->editor);
                gtk_widget_show(native->editor);
                GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(native->editor));
                g_signal_connect(buffer, "insert-text", G_CALLBACK(Handlers::buffer_insert), data);
                g_signal_connect(buffer, "changed", G_CALLBACK(Handlers::buffer_changed), data);
                g_signal_connect(buffer, "mark-set", G_CALLBACK(Handlers::mark_set), data);
            } else {
                outer = native->editor = gtk_entry_new();
                gtk_entry_set_has_frame(GTK_ENTRY(outer), TRUE);
                gtk_entry_set_width_chars(GTK_ENTRY(outer), 1);  // the template's width rules, not the text's
                g_signal_connect(outer, "insert-text", G_CALLBACK(Handlers::entry_insert), data);
                g_signal_connect(outer, "changed", G_CALLBACK(Handlers::entry_changed), data);
                g_signal_connect(outer, "notify::cursor-position", G_CALLBACK(Handlers::entry_caret), data);
                g_signal_connect(outer, "notify::selection-bound", G_CALLBACK(Handlers::entry_caret), data);
            }
            gtk_style_context_add_class(gtk_widget_get_style_context(native->editor), "quilbex-edit");
            input_signals(native->editor);
            break;
        case ControlKind::Button:
            outer = gtk_button_new();
            native->label = gtk_label_new(nullptr);
            gtk_container_add(GTK_CONTAINER(outer), native->label);
            gtk_widget_show(native->label);
            gtk_style_context_add_class(gtk_widget_get_style_context(outer), "quilbex-button");
            input_signals(outer);
            break;
        }
        native->outer = GObjectPtr<GtkWidget>::ref(outer);
        for (GtkWidget* widget : {outer, native->client, native->editor})
            if (widget)
                g_object_set_data(G_OBJECT(widget), kHandleKey, w.handle);
        // The record holds its native part before the widget can be realized
        // (putting it into a realized parent realizes it at once).
        w.native = std::move(native);
        POINT offset;
        if (GtkWidget* container = parent_container(w, &offset))
            gtk_fixed_put(GTK_FIXED(container), outer, w.rect.left + offset.x, w.rect.top + offset.y);
    }
    if (native)
        w.native = std::move(native);
    SyncGuard guard(native_of(w));
    apply_style(w);
    place(w);
    if (w.kind == ControlKind::Edit)
        sync_edit_text(w);
    if (w.kind == ControlKind::Button)
        apply_button(w);
}

void GtkBackend::window_destroyed(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    ++n->syncing;
    for (GtkWidget* widget : {n->outer.get(), n->client, n->editor})
        if (widget)
            g_signal_handlers_disconnect_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, w.handle);
    if (n->editor && GTK_IS_TEXT_VIEW(n->editor))
        g_signal_handlers_disconnect_matched(gtk_text_view_get_buffer(GTK_TEXT_VIEW(n->editor)), G_SIGNAL_MATCH_DATA,
                                             0, 0, nullptr, nullptr, w.handle);
    if (n->outer)
        gtk_widget_destroy(n->outer.get());
    w.native.reset();
}

void GtkBackend::place(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    SyncGuard guard(n);
    if (!w.is_child()) {
        RECT client = m_system->client_rect(w);
        POINT origin = m_system->client_origin_on_screen(w);
        gtk_widget_set_size_request(n->client, client.right, client.bottom);
        if (m_reported_place.handle == w.handle && m_reported_place.rect == w.rect)
            return;  // the window is already there
        gtk_window_resize(GTK_WINDOW(n->outer.get()), std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom));
        gtk_window_move(GTK_WINDOW(n->outer.get()), origin.x, origin.y);
        return;
    }
    POINT offset;
    GtkWidget* container = parent_container(w, &offset);
    if (!container)
        return;
    if (gtk_widget_get_parent(n->outer.get()) != container) {
        if (GtkWidget* old = gtk_widget_get_parent(n->outer.get()))
            gtk_container_remove(GTK_CONTAINER(old), n->outer.get());
        gtk_fixed_put(GTK_FIXED(container), n->outer.get(), w.rect.left + offset.x, w.rect.top + offset.y);
    } else {
        gtk_fixed_move(GTK_FIXED(container), n->outer.get(), w.rect.left + offset.x, w.rect.top + offset.y);
    }
    gtk_widget_set_size_request(n->outer.get(), std::max<LONG>(0, rect_width(w.rect)), std::max<LONG>(0, rect_height(w.rect)));
}

void GtkBackend::restack_children(HWND parent) {
    Window* p = m_system->find(parent);
    if (!p || !native_of(*p) || !native_of(*p)->client)
        return;
    GtkWidget* container = native_of(*p)->client;
    // GtkFixed draws windowless children in the order they were added, so
    // those are added again bottom first. Children with a window of their own
    // (custom windows, which may hold a browser view) are never taken out:
    // their GdkWindows are raised bottom first instead.
    std::vector<HWND> order(p->children.rbegin(), p->children.rend());
    for (HWND h : order) {
        Window* c = m_system->find(h);
        if (!c || !native_of(*c) || gtk_widget_get_parent(native_of(*c)->outer.get()) != container)
            continue;
        GtkNative* n = native_of(*c);
        GtkWidget* widget = n->outer.get();
        if (gtk_widget_get_has_window(widget)) {
            if (GdkWindow* gdk = gtk_widget_get_window(widget))
                gdk_window_raise(gdk);
            continue;
        }
        SyncGuard guard(n);
        int x = 0, y = 0;
        gtk_container_child_get(GTK_CONTAINER(container), widget, "x", &x, "y", &y, nullptr);
        gtk_container_remove(GTK_CONTAINER(container), widget);
        gtk_fixed_put(GTK_FIXED(container), widget, x, y);
    }
    if (HWND f = m_system->focus())
        focus_changed(nullptr, f);
}

void GtkBackend::apply_css(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    std::string css;
    const LOGFONTA& font = font_of(w.font);
    if (w.kind == ControlKind::Edit) {
        std::string colors;
        if (w.edit.colors_known)
            colors = "color: " + css_color(w.edit.text_color) + "; background-color: " + css_color(w.edit.background_color) +
                     "; background-image: none; caret-color: " + css_color(w.edit.text_color) + ";";
        bool bordered = (w.style & WS_BORDER) || (w.ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME));
        std::string border = bordered ? "border: 1px solid #7a7a7a; box-shadow: none;" : "border: none; box-shadow: none;";
        css = "entry, textview, textview text { " + font_css(font) + " " + colors + " }\n"
              "entry, textview { " + border + " }\n";
    } else if (w.kind == ControlKind::Button) {
        css = "button, label { " + font_css(font) + " }\n";
    } else {
        return;
    }
    if (!n->css) {
        n->css = GObjectPtr<GtkCssProvider>::adopt(gtk_css_provider_new());
        GtkWidget* target = n->editor ? n->editor : n->outer.get();
        gtk_style_context_add_provider(gtk_widget_get_style_context(target), GTK_STYLE_PROVIDER(n->css.get()),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        if (n->label)
            gtk_style_context_add_provider(gtk_widget_get_style_context(n->label), GTK_STYLE_PROVIDER(n->css.get()),
                                           GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    gtk_css_provider_load_from_data(n->css.get(), css.c_str(), -1, nullptr);
    if (n->editor && GTK_IS_TEXT_VIEW(n->editor) && w.edit.colors_known) {
        // The scrolled window's frame shows around the text view.
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(n->outer.get()),
                                            (w.ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) || (w.style & WS_BORDER)
                                                ? GTK_SHADOW_IN
                                                : GTK_SHADOW_NONE);
    }
}

void GtkBackend::apply_style(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    if (!w.is_child()) {
        apply_top_level(w);
        return;
    }
    if (w.kind == ControlKind::Edit) {
        bool read_only = (w.style & ES_READONLY) != 0;
        float align = (w.style & ES_CENTER) ? 0.5f : (w.style & ES_RIGHT) ? 1.0f : 0.0f;
        if (GTK_IS_ENTRY(n->editor)) {
            gtk_editable_set_editable(GTK_EDITABLE(n->editor), !read_only);
            gtk_entry_set_alignment(GTK_ENTRY(n->editor), align);
            bool password = (w.style & ES_PASSWORD) && w.edit.password_char;
            gtk_entry_set_visibility(GTK_ENTRY(n->editor), !password);
            if (password)
                gtk_entry_set_invisible_char(GTK_ENTRY(n->editor), static_cast<unsigned char>(w.edit.password_char));
        } else {
            GtkTextView* view = GTK_TEXT_VIEW(n->editor);
            gtk_text_view_set_editable(view, !read_only);
            gtk_text_view_set_cursor_visible(view, !read_only);
            gtk_text_view_set_justification(view, align == 0.5f ? GTK_JUSTIFY_CENTER : align == 1.0f ? GTK_JUSTIFY_RIGHT : GTK_JUSTIFY_LEFT);
            gtk_text_view_set_wrap_mode(view, (w.style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? GTK_WRAP_NONE : GTK_WRAP_WORD_CHAR);
            gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(n->outer.get()),
                                           (w.style & WS_HSCROLL) ? GTK_POLICY_ALWAYS : GTK_POLICY_EXTERNAL,
                                           (w.style & WS_VSCROLL) ? GTK_POLICY_ALWAYS : GTK_POLICY_EXTERNAL);
        }
    }
    if (w.kind == ControlKind::Button) {
        GtkStyleContext* style = gtk_widget_get_style_context(n->outer.get());
        if ((w.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            gtk_style_context_add_class(style, "suggested-action");
        else
            gtk_style_context_remove_class(style, "suggested-action");
        DWORD h = w.style & BS_CENTER;
        DWORD v = w.style & BS_VCENTER;
        gtk_label_set_xalign(GTK_LABEL(n->label), h == BS_LEFT ? 0.0f : h == BS_RIGHT ? 1.0f : 0.5f);
        gtk_label_set_yalign(GTK_LABEL(n->label), v == BS_TOP ? 0.0f : v == BS_BOTTOM ? 1.0f : 0.5f);
        gtk_label_set_line_wrap(GTK_LABEL(n->label), (w.style & BS_MULTILINE) != 0);
        gtk_label_set_justify(GTK_LABEL(n->label), h == BS_LEFT ? GTK_JUSTIFY_LEFT : h == BS_RIGHT ? GTK_JUSTIFY_RIGHT : GTK_JUSTIFY_CENTER);
    }
    apply_css(w);
    gtk_widget_set_sensitive(n->outer.get(), w.enabled_flag());
    gtk_widget_set_visible(n->outer.get(), w.visible_flag());
}

void GtkBackend::apply_top_level(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    GtkWindow* window = GTK_WINDOW(n->outer.get());
    std::string title = utf8_of(w.text);
    gtk_window_set_title(window, title.c_str());
    gtk_window_set_decorated(window, (w.style & WS_CAPTION) == WS_CAPTION || (w.style & WS_THICKFRAME));
    gtk_window_set_resizable(window, (w.style & WS_THICKFRAME) != 0);
    gtk_window_set_deletable(window, (w.style & WS_SYSMENU) && w.close_box);
    gtk_window_set_keep_above(window, (w.ex_style & WS_EX_TOPMOST) != 0);
    if (w.ex_style & WS_EX_TOOLWINDOW)
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_UTILITY);
    // As on Windows, owned and tool windows have no task-bar button unless they ask for one.
    bool task_bar = !(w.ex_style & WS_EX_TOOLWINDOW) && (!w.owner || (w.ex_style & WS_EX_APPWINDOW));
    gtk_window_set_skip_taskbar_hint(window, !task_bar);
    // Transient for a visible owner only: window managers may keep a window
    // that is transient for an unmapped one (the hidden owner) out of sight.
    Window* owner = m_system->find(w.owner);
    bool owner_shown = owner && native_of(*owner) && owner->visible_flag();
    gtk_window_set_transient_for(window, owner_shown ? GTK_WINDOW(native_of(*owner)->outer.get()) : nullptr);
    gtk_widget_set_sensitive(n->client, w.enabled_flag());
    if (GdkWindow* gdk = gtk_widget_get_window(n->outer.get())) {
        int functions = GDK_FUNC_MOVE;
        if (w.style & WS_THICKFRAME)
            functions |= GDK_FUNC_RESIZE;
        if (w.style & WS_MINIMIZEBOX)
            functions |= GDK_FUNC_MINIMIZE;
        if (w.style & WS_MAXIMIZEBOX)
            functions |= GDK_FUNC_MAXIMIZE;
        if ((w.style & WS_SYSMENU) && w.close_box)
            functions |= GDK_FUNC_CLOSE;
        gdk_window_set_functions(gdk, static_cast<GdkWMFunction>(functions));
    }
}

void GtkBackend::sync_edit_text(Window& w) {
    GtkNative* n = native_of(w);
    if (!n || !n->editor)
        return;
    SyncGuard guard(n);
    if (GTK_IS_ENTRY(n->editor)) {
        std::string utf8 = utf8_of(w.text);
        if (utf8 != gtk_entry_get_text(GTK_ENTRY(n->editor)))
            gtk_entry_set_text(GTK_ENTRY(n->editor), utf8.c_str());
    } else {
        std::string utf8;
        for (char c : utf8_of(w.text))
            if (c != '\r')
                utf8 += c;
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(n->editor));
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(buffer, &start, &end);
        gchar* current = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
        bool same = utf8 == current;
        g_free(current);
        if (!same) {
            // Appending keeps what is already shown: only the new tail is inserted.
            gchar* old = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
            std::string before = old;
            g_free(old);
            if (utf8.size() > before.size() && utf8.compare(0, before.size(), before) == 0)
                gtk_text_buffer_insert(buffer, &end, utf8.c_str() + before.size(), static_cast<gint>(utf8.size() - before.size()));
            else
                gtk_text_buffer_set_text(buffer, utf8.c_str(), static_cast<gint>(utf8.size()));
        }
    }
}

void GtkBackend::sync_edit_selection(Window& w) {
    GtkNative* n = native_of(w);
    if (!n || !n->editor)
        return;
    SyncGuard guard(n);
    long start = char_count_of_gbk(w.text, w.edit.selection_start);
    long end = char_count_of_gbk(w.text, w.edit.selection_end);
    if (GTK_IS_ENTRY(n->editor)) {
        gtk_editable_select_region(GTK_EDITABLE(n->editor), static_cast<gint>(start), static_cast<gint>(end));
        return;
    }
    // The text view shows "\r\n" as one "\n": count the "\r" bytes before each position.
    auto view_offset = [&](std::size_t bytes, long chars) {
        long cr = static_cast<long>(std::count(w.text.begin(), w.text.begin() + static_cast<long>(std::min(bytes, w.text.size())), '\r'));
        return static_cast<gint>(chars - cr);
    };
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(n->editor));
    GtkTextIter a, b;
    gtk_text_buffer_get_iter_at_offset(buffer, &a, view_offset(w.edit.selection_end, end));
    gtk_text_buffer_get_iter_at_offset(buffer, &b, view_offset(w.edit.selection_start, start));
    gtk_text_buffer_select_range(buffer, &a, &b);
}

void GtkBackend::scroll_to_caret(Window& w) {
    GtkNative* n = native_of(w);
    if (!n || !n->editor || !GTK_IS_TEXT_VIEW(n->editor))
        return;
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(n->editor));
    gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(n->editor), gtk_text_buffer_get_insert(buffer), 0.0, FALSE, 0.0, 0.0);
}

void GtkBackend::apply_button(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    std::string label = mnemonic_label(utf8_of(w.text));
    gtk_label_set_text_with_mnemonic(GTK_LABEL(n->label), label.c_str());
    GtkButton* button = GTK_BUTTON(n->outer.get());
    if (w.button.image && (w.button.image_type == IMAGE_ICON || w.button.image_type == IMAGE_BITMAP)) {
        auto pixbuf = icon_pixbuf(static_cast<HICON>(w.button.image));
        if (pixbuf) {
            GtkWidget* image = gtk_image_new_from_pixbuf(pixbuf.get());
            gtk_button_set_image(button, image);
            gtk_button_set_always_show_image(button, TRUE);
            if (w.style & (BS_ICON | BS_BITMAP))
                gtk_widget_hide(n->label);
            return;
        }
    }
    gtk_button_set_image(button, nullptr);
    gtk_widget_show(n->label);
}

void GtkBackend::apply_icons(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    if (w.is_child())
        return;
    GList* list = nullptr;
    std::vector<GObjectPtr<GdkPixbuf>> keep;
    for (HICON icon : {w.big_icon, w.small_icon}) {
        auto pixbuf = icon_pixbuf(icon);
        if (pixbuf) {
            list = g_list_append(list, pixbuf.get());
            keep.push_back(pixbuf);
        }
    }
    gtk_window_set_icon_list(GTK_WINDOW(n->outer.get()), list);
    g_list_free(list);
}

void GtkBackend::apply_cursor(Window& w) {
    GtkNative* n = native_of(w);
    GtkWidget* widget = n ? n->client : nullptr;
    if (!widget)
        return;
    GdkWindow* gdk = gtk_widget_get_window(widget);
    if (!gdk)
        return;
    HCURSOR cursor = w.cursor ? w.cursor : w.window_class->cursor;
    GdkDisplay* display = gdk_window_get_display(gdk);
    GObjectPtr<GdkCursor> gdk_cursor;
    if (cursor && is_icon(cursor) && cursor->standard_id) {
        const char* name = "default";
        switch (cursor->standard_id) {
        case IDC_IBEAM: name = "text"; break;
        case IDC_WAIT: name = "wait"; break;
        case IDC_CROSS: name = "crosshair"; break;
        case IDC_HAND: name = "pointer"; break;
        case IDC_NO: name = "not-allowed"; break;
        case IDC_SIZEALL: name = "move"; break;
        case IDC_SIZENESW: name = "nesw-resize"; break;
        case IDC_SIZENWSE: name = "nwse-resize"; break;
        case IDC_SIZENS: name = "ns-resize"; break;
        case IDC_SIZEWE: name = "ew-resize"; break;
        case IDC_APPSTARTING: name = "progress"; break;
        case IDC_HELP: name = "help"; break;
        default: break;
        }
        gdk_cursor = GObjectPtr<GdkCursor>::adopt(gdk_cursor_new_from_name(display, name));
    } else if (cursor && is_icon(cursor)) {
        auto pixbuf = icon_pixbuf(cursor);
        if (pixbuf)
            gdk_cursor = GObjectPtr<GdkCursor>::adopt(
                gdk_cursor_new_from_pixbuf(display, pixbuf.get(), cursor->hotspot.x, cursor->hotspot.y));
    }
    gdk_window_set_cursor(gdk, gdk_cursor.get());
}

void GtkBackend::window_changed(Window& w, unsigned changes) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    SyncGuard guard(n);
    if (changes & (kChangeStyle | kChangeFont | kChangeColors | kChangeEnabled))
        apply_style(w);
    if (changes & kChangeText) {
        if (!w.is_child())
            gtk_window_set_title(GTK_WINDOW(n->outer.get()), utf8_of(w.text).c_str());
        else if (w.kind == ControlKind::Edit)
            sync_edit_text(w);
        else if (w.kind == ControlKind::Button)
            apply_button(w);
        else
            gtk_widget_queue_draw(n->outer.get());
    }
    if (changes & kChangeSelection)
        sync_edit_selection(w);
    if (changes & kChangeScrollCaret)
        scroll_to_caret(w);
    if (changes & (kChangeGeometry | kChangeParent))
        place(w);
    if (changes & kChangeImage)
        apply_button(w);
    if (changes & kChangeIcon)
        apply_icons(w);
    if (changes & kChangeCursor)
        apply_cursor(w);
    if (changes & kChangeZOrder) {
        if (w.is_child())
            restack_children(w.parent);
        else if (w.ex_style & WS_EX_TOPMOST)
            gtk_window_set_keep_above(GTK_WINDOW(n->outer.get()), TRUE);
    }
    if (changes & kChangeVisibility) {
        if (!w.is_child()) {
            GtkWindow* window = GTK_WINDOW(n->outer.get());
            if (!w.visible_flag()) {
                gtk_widget_hide(n->outer.get());
            } else {
                place(w);
                gtk_widget_show(n->outer.get());
                apply_top_level(w);
                if (w.minimized)
                    gtk_window_iconify(window);
                else
                    gtk_window_deiconify(window);
                if (w.maximized)
                    gtk_window_maximize(window);
                else
                    gtk_window_unmaximize(window);
            }
        } else {
            gtk_widget_set_visible(n->outer.get(), w.visible_flag());
        }
    }
    if ((changes & kChangeActivation) && !w.is_child() && m_system->active() == w.handle && w.visible_flag())
        gtk_window_present(GTK_WINDOW(n->outer.get()));
}

void GtkBackend::focus_changed(HWND, HWND new_focus) {
    if (m_focus_from_toolkit)
        return;
    Window* w = m_system->find(new_focus);
    if (!w || !native_of(*w))
        return;
    GtkNative* n = native_of(*w);
    SyncGuard guard(n);
    GtkWidget* target = n->editor ? n->editor : n->client ? n->client : n->outer.get();
    if (GTK_IS_WINDOW(target))
        target = n->client;
    // A control that hosts a widget of its own (a browser view) passes the
    // focus on to it, as Windows does for a child window that takes it.
    if (target == n->client && w->is_child())
        if (GtkWidget* hosted = hosted_focus_widget(n->client))
            target = hosted;
    gtk_widget_grab_focus(target);
}

void GtkBackend::invalidate(Window& w) {
    if (GtkNative* n = native_of(w))
        gtk_widget_queue_draw(n->client ? n->client : n->outer.get());
}

std::unique_ptr<DrawingContext> GtkBackend::create_paint_context(Window& w) {
    // A WM_PAINT outside GTK's drawing cycle draws nowhere; the window is
    // asked to draw again in the next cycle.
    class Nowhere final : public DrawingContext {
    public:
        Nowhere() : DrawingContext({0, 0, 0, 0}) {}
        void fill_rect(const RECT&, COLORREF) override {}
        void gradient_fill(const RECT&, COLORREF, COLORREF, GradientDirection) override {}
        void line(POINT, POINT, COLORREF) override {}
        int draw_text(std::string_view text, RECT& rect, UINT) override { return text_extent(text).cy + 0 * rect.top; }
        SIZE text_extent(std::string_view text) override { return pango_text_extent(font_of(font()), text); }
        void draw_icon(HICON, const RECT&) override {}
    };
    invalidate(w);
    return std::make_unique<Nowhere>();
}

SIZE GtkBackend::measure_text(const LOGFONTA& font, std::string_view gbk) { return pango_text_extent(font, gbk); }

int GtkBackend::system_metric(int index) {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display)
        monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle geometry{0, 0, 1024, 768};
    if (monitor)
        gdk_monitor_get_geometry(monitor, &geometry);
    switch (index) {
    case SM_CXSCREEN: return geometry.width;
    case SM_CYSCREEN: return geometry.height;
    case SM_CXVSCROLL: case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: case SM_CXFRAME: case SM_CYFRAME: return 3;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    default: return 0;
    }
}

void GtkBackend::wait(std::int64_t timeout_ms) {
    if (timeout_ms == 0) {
        g_main_context_iteration(nullptr, FALSE);
        return;
    }
    GSource* timeout = nullptr;
    if (timeout_ms > 0) {
        timeout = g_timeout_source_new(static_cast<guint>(std::min<std::int64_t>(timeout_ms, G_MAXUINT)));
        g_source_set_callback(timeout, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(timeout, nullptr);
    }
    g_main_context_iteration(nullptr, TRUE);
    if (timeout) {
        g_source_destroy(timeout);
        g_source_unref(timeout);
    }
}

void GtkBackend::wake() { g_main_context_wakeup(nullptr); }

GtkWidget* GtkBackend::widget_of(HWND handle) const {
    Window* w = m_system ? m_system->find(handle) : nullptr;
    return w && native_of(*w) ? native_of(*w)->outer.get() : nullptr;
}

GtkWidget* GtkBackend::container_of(HWND handle) const {
    Window* w = m_system ? m_system->find(handle) : nullptr;
    return w && native_of(*w) ? native_of(*w)->client : nullptr;
}

}  // namespace quilbex::ui::gtk

namespace quilbex::ui {

bool WindowSystem::use_gtk() {
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    install(std::make_unique<WindowSystem>(std::make_unique<gtk::GtkBackend>()));
    return true;
}

}  // namespace quilbex::ui

extern "C" GtkWidget* quilbex_ui_gtk_container(void* hwnd) {
    auto* backend = quilbex::ui::gtk::GtkBackend::current();
    if (!backend || !backend->system() || !backend->system()->on_window_thread())
        return nullptr;
    return backend->container_of(static_cast<quilbex::ui::HWND>(hwnd));
}
