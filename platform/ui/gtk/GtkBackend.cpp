#include "platform/ui/gtk/GtkBackend.h"

#include "platform/ui/Constants.h"
#include "platform/ui/EditControl.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/gtk/CairoContext.h"
#include "platform/ui/gtk/ChineseFont.h"
#include "platform/ui/gtk/GtkNative.h"
#include "platform/ui/gtk/GtkSignals.h"
#include "platform/ui/gtk/GtkText.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace quilbex::ui::gtk {

namespace {

std::atomic<GtkBackend*> g_current{nullptr};

constexpr const char* kBaseCss =
    ".quilbex-edit, .quilbex-edit text { min-height: 0; min-width: 0; padding: 0 2px; border-radius: 0; }\n"
    ".quilbex-button { min-height: 0; min-width: 0; padding: 0 2px; }\n"
    ".quilbex-button label { padding: 0; }\n";

}  // namespace

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

void GtkBackend::window_created(Window& w) {
    auto native = std::make_unique<GtkNative>();
    native->handle = w.handle;
    gpointer data = w.handle;
    auto make_fixed = [&]() {
        GtkWidget* fixed = gtk_fixed_new();
        gtk_widget_set_has_window(fixed, TRUE);
        gtk_widget_set_can_focus(fixed, TRUE);
        connect_client_signals(fixed, data);
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
        connect_top_level_signals(window, data);
    } else {
        GtkWidget* outer = nullptr;
        switch (w.kind) {
        case ControlKind::Custom: outer = native->client = make_fixed(); break;
        case ControlKind::Edit:
            if (w.style & ES_MULTILINE) {
                outer = gtk_scrolled_window_new(nullptr, nullptr);
                native->editor = gtk_text_view_new();
                gtk_container_add(GTK_CONTAINER(outer), native->editor);
                gtk_widget_show(native->editor);
                connect_text_view_signals(gtk_text_view_get_buffer(GTK_TEXT_VIEW(native->editor)), data);
            } else {
                outer = native->editor = gtk_entry_new();
                gtk_entry_set_has_frame(GTK_ENTRY(outer), TRUE);
                gtk_entry_set_width_chars(GTK_ENTRY(outer), 1);  // the template's width rules, not the text's
                connect_entry_signals(outer, data);
            }
            gtk_style_context_add_class(gtk_widget_get_style_context(native->editor), "quilbex-edit");
            connect_input_signals(native->editor, data);
            break;
        case ControlKind::Button:
            outer = gtk_button_new();
            native->label = gtk_label_new(nullptr);
            gtk_container_add(GTK_CONTAINER(outer), native->label);
            gtk_widget_show(native->label);
            gtk_style_context_add_class(gtk_widget_get_style_context(outer), "quilbex-button");
            connect_input_signals(outer, data);
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
        g_signal_handlers_disconnect_matched(gtk_text_view_get_buffer(GTK_TEXT_VIEW(n->editor)), G_SIGNAL_MATCH_DATA, 0,
                                             0, nullptr, nullptr, w.handle);
    if (n->outer)
        gtk_widget_destroy(n->outer.get());
    w.native.reset();
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
            colors = "color: " + css_color(w.edit.text_color) +
                     "; background-color: " + css_color(w.edit.background_color) +
                     "; background-image: none; caret-color: " + css_color(w.edit.text_color) + ";";
        bool bordered =
            (w.style & WS_BORDER) || (w.ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME));
        std::string border =
            bordered ? "border: 1px solid #7a7a7a; box-shadow: none;" : "border: none; box-shadow: none;";
        css = "entry, textview, textview text { " + font_css(font) + " " + colors +
              " }\n"
              "entry, textview { " +
              border + " }\n";
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
        gtk_scrolled_window_set_shadow_type(
            GTK_SCROLLED_WINDOW(n->outer.get()),
            (w.ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) || (w.style & WS_BORDER) ? GTK_SHADOW_IN
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
            gtk_text_view_set_justification(view, align == 0.5f   ? GTK_JUSTIFY_CENTER
                                                  : align == 1.0f ? GTK_JUSTIFY_RIGHT
                                                                  : GTK_JUSTIFY_LEFT);
            gtk_text_view_set_wrap_mode(view,
                                        (w.style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? GTK_WRAP_NONE : GTK_WRAP_WORD_CHAR);
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
        gtk_label_set_justify(GTK_LABEL(n->label), h == BS_LEFT    ? GTK_JUSTIFY_LEFT
                                                   : h == BS_RIGHT ? GTK_JUSTIFY_RIGHT
                                                                   : GTK_JUSTIFY_CENTER);
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
                gtk_text_buffer_insert(buffer, &end, utf8.c_str() + before.size(),
                                       static_cast<gint>(utf8.size() - before.size()));
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
        long cr = static_cast<long>(
            std::count(w.text.begin(), w.text.begin() + static_cast<long>(std::min(bytes, w.text.size())), '\r'));
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

void GtkBackend::wait(std::int64_t timeout_ms) {
    if (timeout_ms == 0) {
        g_main_context_iteration(nullptr, FALSE);
        return;
    }
    GSource* timeout = nullptr;
    if (timeout_ms > 0) {
        timeout = g_timeout_source_new(static_cast<guint>(std::min<std::int64_t>(timeout_ms, G_MAXUINT)));
        g_source_set_callback(
            timeout, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
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

extern "C" bool quilbex_ui_gtk_start() {
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    quilbex::ui::gtk::warn_without_chinese_font();
    quilbex::ui::WindowSystem::install(
        std::make_unique<quilbex::ui::WindowSystem>(std::make_unique<quilbex::ui::gtk::GtkBackend>()));
    return true;
}

extern "C" GtkWidget* quilbex_ui_gtk_container(void* hwnd) {
    auto* backend = quilbex::ui::gtk::GtkBackend::current();
    if (!backend || !backend->system() || !backend->system()->on_window_thread())
        return nullptr;
    return backend->container_of(static_cast<quilbex::ui::HWND>(hwnd));
}
