#pragma once
// The GTK 3 backend of the window system. Every window gets a native part:
//
//   window kind        widgets
//   top-level          GtkWindow holding a GtkFixed as its client area
//   custom class       GtkFixed with its own GdkWindow (paints, takes input, holds children)
//   EDIT single-line   GtkEntry
//   EDIT multi-line    GtkScrolledWindow around a GtkTextView
//   BUTTON             GtkButton around a GtkLabel (or an image)
//
// The window system's records stay the truth: the widgets mirror them, and
// what the user does in a widget is turned into Windows messages (input
// through the input filter, typed characters as WM_CHAR, deletions as a
// content change with EN_CHANGE). Include this header only where GTK is used.

#include "platform/ui/WindowSystem.h"
#include "platform/ui/WindowSystemBackend.h"
#include "platform/ui/gtk/GObjectPtr.h"

#include <gtk/gtk.h>

namespace quilbex::ui::gtk {

class GtkBackend final : public WindowSystemBackend {
public:
    GtkBackend();
    ~GtkBackend() override;

    // The backend of the current window system when it is the GTK one.
    static GtkBackend* current();
    WindowSystem* system() const { return m_system; }

    std::string_view name() const override { return "gtk"; }
    void attach(WindowSystem& system) override;
    void detach() override;
    void window_created(Window& window) override;
    void window_destroyed(Window& window) override;
    void window_changed(Window& window, unsigned changes) override;
    void focus_changed(HWND old_focus, HWND new_focus) override;
    void invalidate(Window& window) override;
    std::unique_ptr<DrawingContext> create_paint_context(Window& window) override;
    void paint_finished(Window&, DrawingContext&) override {}
    bool paints_natively() const override { return true; }
    bool native_editing() const override { return true; }
    SIZE measure_text(const LOGFONTA& font, std::string_view gbk) override;
    int system_metric(int index) override;
    int message_box(HWND owner, std::string_view text, std::string_view caption, UINT flags) override;
    void wait(std::int64_t timeout_ms) override;
    void wake() override;
    Clock& clock() override { return m_clock; }

    // The widget that stands for a window (the GtkWindow of a top-level
    // window), and the GtkFixed that holds its children (null for controls).
    GtkWidget* widget_of(HWND window) const;
    GtkWidget* container_of(HWND window) const;

private:
    friend struct Handlers;
    void place(Window& window);
    void restack_children(HWND parent);
    void apply_style(Window& window);
    void apply_css(Window& window);
    void apply_top_level(Window& window);
    void sync_edit_text(Window& window);
    void sync_edit_selection(Window& window);
    void scroll_to_caret(Window& window);
    void apply_button(Window& window);
    void apply_icons(Window& window);
    void apply_cursor(Window& window);
    GtkWidget* parent_container(const Window& window, POINT* offset) const;

    WindowSystem* m_system = nullptr;
    SteadyClock m_clock;
    GObjectPtr<GtkCssProvider> m_base_css;
    bool m_focus_from_toolkit = false;
    // The place a top-level window was reported at by the window manager
    // while the records take it over: not requested back, so that reports
    // still queued cannot start a ping-pong of moves with the window manager.
    struct ReportedPlace {
        HWND handle = nullptr;
        RECT rect{};
    } m_reported_place;
};

}  // namespace quilbex::ui::gtk

// The GtkFixed that holds a window's children (the client area of a
// top-level window); null for an unknown handle, a control, or when the GTK
// window system is not in use. Exported from the program for the browser
// engine library, which finds it with dlsym(RTLD_DEFAULT, ...).
extern "C" __attribute__((visibility("default"))) GtkWidget* quilbex_ui_gtk_container(void* hwnd);

// Opens the display and makes the GTK backend the window system's; false
// when no display can be opened. The window system calls it through
// WindowSystem::use_gtk(), finding it in the program or in the backend's
// library file.
extern "C" __attribute__((visibility("default"))) bool quilbex_ui_gtk_start();
