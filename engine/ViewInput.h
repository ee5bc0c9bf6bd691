#pragma once
// The program's look at a view's input (wkeQuilbexOnInput): GTK events of the
// WebKitWebView, seen before WebKit handles them, as Windows-style input.

#include <gtk/gtk.h>

namespace quilbex::engine {

class WebView;

// Connects the input signals of the view's WebKitWebView.
void connect_view_input(WebView& view, GtkWidget* web_view);

// The Windows virtual-key code of a GDK key value; 0 when there is none.
int virtual_key_of(guint keyval);

}  // namespace quilbex::engine
