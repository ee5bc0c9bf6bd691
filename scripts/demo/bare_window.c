/* The peer for start-up measurements: a bare GTK program that maps one
 * window of the main window's size (434 x 312 client pixels) and nothing else. */
#include <gtk/gtk.h>

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "bare-window");
    gtk_window_set_default_size(GTK_WINDOW(window), 434, 312);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
