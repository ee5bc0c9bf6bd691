#pragma once
// What the GTK backend's files share about a window's widgets: the native
// part of a window record and the helpers around it. Private to platform/ui/gtk.

#include "platform/ui/Gbk.h"
#include "platform/ui/Window.h"
#include "platform/ui/gtk/GObjectPtr.h"

#include <gtk/gtk.h>
#include <string>
#include <string_view>

namespace quilbex::ui::gtk {

// The widgets of one window; signal handlers carry the window handle as their
// data and find everything through it, so a handler firing for a window that
// is gone does nothing.
struct GtkNative final : NativeWindow {
    HWND handle = nullptr;
    GObjectPtr<GtkWidget> outer;  // GtkWindow, GtkFixed, GtkEntry, GtkScrolledWindow or GtkButton
    GtkWidget* client = nullptr;  // GtkFixed that holds children
    GtkWidget* editor = nullptr;  // GtkEntry or GtkTextView
    GtkWidget* label = nullptr;  // a button's label
    GObjectPtr<GtkCssProvider> css;
    int syncing = 0;  // >0 while the window system writes into the widgets
};

inline GtkNative* native_of(const Window& w) { return static_cast<GtkNative*>(w.native.get()); }

// Every widget made for a window carries the window's handle under this key;
// a widget without it was put there by someone else (a browser view).
inline constexpr const char* kHandleKey = "quilbex-hwnd";

// The first focusable widget inside a control's client area that is not one
// of ours, or null.
GtkWidget* hosted_focus_widget(GtkWidget* client);

struct SyncGuard {
    explicit SyncGuard(GtkNative* n) : native(n) { ++native->syncing; }
    ~SyncGuard() { --native->syncing; }
    GtkNative* native;
};

inline std::string utf8_of(std::string_view gbk) { return gbk_to_utf8(gbk); }

}  // namespace quilbex::ui::gtk
