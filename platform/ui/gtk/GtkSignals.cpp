// The GTK backend's signal handlers: what the user does in a widget becomes
// window messages (input through the input filter, typed characters as
// WM_CHAR, edits as content changes), and what the window manager does
// (moves, sizes, focus, close requests) reaches the window records.

// The window system's headers come before GTK's (GtkBackend.h keeps that order).
#include "platform/ui/gtk/GtkSignals.h"

#include "platform/ui/Constants.h"
#include "platform/ui/EditControl.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/gtk/CairoContext.h"
#include "platform/ui/gtk/GtkBackend.h"
#include "platform/ui/gtk/GtkNative.h"
#include "platform/ui/gtk/GtkText.h"

#include <cstring>

namespace quilbex::ui::gtk {

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
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter: return VK_RETURN;
        case GDK_KEY_Escape: return VK_ESCAPE;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab: return VK_TAB;
        case GDK_KEY_BackSpace: return VK_BACK;
        case GDK_KEY_Delete:
        case GDK_KEY_KP_Delete: return VK_DELETE;
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
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R: return VK_SHIFT;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R: return VK_CONTROL;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R: return VK_MENU;
        case GDK_KEY_KP_Multiply: return 0x6A;
        case GDK_KEY_KP_Add: return 0x6B;
        case GDK_KEY_KP_Subtract: return 0x6D;
        case GDK_KEY_KP_Decimal: return 0x6E;
        case GDK_KEY_KP_Divide: return 0x6F;
        case GDK_KEY_semicolon:
        case GDK_KEY_colon: return 0xBA;
        case GDK_KEY_equal:
        case GDK_KEY_plus: return 0xBB;
        case GDK_KEY_comma:
        case GDK_KEY_less: return 0xBC;
        case GDK_KEY_minus:
        case GDK_KEY_underscore: return 0xBD;
        case GDK_KEY_period:
        case GDK_KEY_greater: return 0xBE;
        case GDK_KEY_slash:
        case GDK_KEY_question: return 0xBF;
        case GDK_KEY_grave:
        case GDK_KEY_asciitilde: return 0xC0;
        case GDK_KEY_bracketleft:
        case GDK_KEY_braceleft: return 0xDB;
        case GDK_KEY_backslash:
        case GDK_KEY_bar: return 0xDC;
        case GDK_KEY_bracketright:
        case GDK_KEY_braceright: return 0xDD;
        case GDK_KEY_apostrophe:
        case GDK_KEY_quotedbl: return 0xDE;
        default: return 0;
        }
    }

    // The characters a key types into a custom-painted window.
    static void type_key(HWND target, GdkEventKey* e) {
        WPARAM code = 0;
        switch (e->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter: code = '\r'; break;
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
                code =
                    (static_cast<WPARAM>(static_cast<unsigned char>(gbk[0])) << 8) | static_cast<unsigned char>(gbk[1]);
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
        case ControlKind::Edit: return FALSE;  // the editor handles it; what it types arrives through insert-text
        case ControlKind::Button: return vk == VK_TAB ? FALSE : TRUE;  // the button procedure clicks on Space
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
        return ws().deliver_input(MSG{
            target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<WORD>(key_state_bits(e->state)), distance), 0, 0, {0, 0}});
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
        w->style =
            (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | (minimized ? WS_MINIMIZE : 0) | (maximized ? WS_MAXIMIZE : 0);
        RECT client = ws().client_rect(*w);
        ws().send_message(w->handle, WM_SIZE,
                          minimized   ? SIZE_MINIMIZED
                          : maximized ? SIZE_MAXIMIZED
                                      : SIZE_RESTORED,
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
        std::string gbk =
            utf8_to_gbk(std::string_view(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length)));
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

void connect_input_signals(GtkWidget* widget, gpointer data) {
    const int events = GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK |
                       GDK_SMOOTH_SCROLL_MASK | GDK_FOCUS_CHANGE_MASK | GDK_KEY_PRESS_MASK;
    gtk_widget_add_events(widget, events);
    g_signal_connect(widget, "button-press-event", G_CALLBACK(Handlers::button), data);
    g_signal_connect(widget, "button-release-event", G_CALLBACK(Handlers::button), data);
    g_signal_connect(widget, "motion-notify-event", G_CALLBACK(Handlers::motion), data);
    g_signal_connect(widget, "scroll-event", G_CALLBACK(Handlers::scroll), data);
    g_signal_connect(widget, "focus-in-event", G_CALLBACK(Handlers::focus_in), data);
}

void connect_client_signals(GtkWidget* fixed, gpointer data) {
    g_signal_connect(fixed, "draw", G_CALLBACK(Handlers::draw), data);
    g_signal_connect(fixed, "realize", G_CALLBACK(Handlers::realize), data);
    connect_input_signals(fixed, data);
}

void connect_top_level_signals(GtkWidget* window, gpointer data) {
    g_signal_connect(window, "delete-event", G_CALLBACK(Handlers::delete_event), data);
    g_signal_connect(window, "key-press-event", G_CALLBACK(Handlers::key), data);
    g_signal_connect(window, "key-release-event", G_CALLBACK(Handlers::key), data);
    g_signal_connect(window, "configure-event", G_CALLBACK(Handlers::configure), data);
    g_signal_connect(window, "window-state-event", G_CALLBACK(Handlers::window_state), data);
    g_signal_connect(window, "focus-in-event", G_CALLBACK(Handlers::top_focus_in), data);
    g_signal_connect(window, "focus-out-event", G_CALLBACK(Handlers::top_focus_out), data);
    g_signal_connect(window, "set-focus", G_CALLBACK(Handlers::set_focus), nullptr);
}

void connect_text_view_signals(GtkTextBuffer* buffer, gpointer data) {
    g_signal_connect(buffer, "insert-text", G_CALLBACK(Handlers::buffer_insert), data);
    g_signal_connect(buffer, "changed", G_CALLBACK(Handlers::buffer_changed), data);
    g_signal_connect(buffer, "mark-set", G_CALLBACK(Handlers::mark_set), data);
}

void connect_entry_signals(GtkWidget* entry, gpointer data) {
    g_signal_connect(entry, "insert-text", G_CALLBACK(Handlers::entry_insert), data);
    g_signal_connect(entry, "changed", G_CALLBACK(Handlers::entry_changed), data);
    g_signal_connect(entry, "notify::cursor-position", G_CALLBACK(Handlers::entry_caret), data);
    g_signal_connect(entry, "notify::selection-bound", G_CALLBACK(Handlers::entry_caret), data);
}

}  // namespace quilbex::ui::gtk
