#pragma once
// Connecting a window's widgets to the GTK backend's signal handlers. Each
// handler gets the window's handle as its data and looks the window up first,
// so a signal for a window that is gone does nothing.

#include <gtk/gtk.h>

namespace quilbex::ui::gtk {

// Mouse, wheel and focus input of a widget that stands for a window.
void connect_input_signals(GtkWidget* widget, gpointer data);
// A GtkFixed that is a window's client area: drawing, cursor, and its input.
void connect_client_signals(GtkWidget* fixed, gpointer data);
// A top-level GtkWindow: keys, close requests, moves, sizes, state and focus.
void connect_top_level_signals(GtkWidget* window, gpointer data);
// The editors of an EDIT control: typed text, changes and the caret.
void connect_text_view_signals(GtkTextBuffer* buffer, gpointer data);
void connect_entry_signals(GtkWidget* entry, gpointer data);

}  // namespace quilbex::ui::gtk
