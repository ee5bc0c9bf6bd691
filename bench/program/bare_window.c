/* The peers for start-up measurements: a bare GTK program that maps one
 * window of the main window's size (434 x 312 client pixels) and nothing
 * else; with the argument "texts", the same window also shows the main
 * window's texts in plain GTK labels, buttons and text boxes (so that the
 * fonts for Chinese and Latin text are loaded as in the tool). */
#include <gtk/gtk.h>
#include <string.h>

static void add_texts(GtkWidget* window) {
    GtkWidget* grid = gtk_grid_new();
    const char* labels[] = {"Cookie：", "签到文本：", "2026年12月7日11时42分43秒"};
    const char* buttons[] = {"保存", "随机一段话", "抽奖/签到", "登录"};
    for (int i = 0; i < 3; ++i)
        gtk_grid_attach(GTK_GRID(grid), gtk_label_new(labels[i]), 0, i, 1, 1);
    for (int i = 0; i < 4; ++i)
        gtk_grid_attach(GTK_GRID(grid), gtk_button_new_with_label(buttons[i]), 2, i, 1, 1);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), "UM_distinctid=sim-member-0001");
    gtk_grid_attach(GTK_GRID(grid), entry, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), gtk_text_view_new(), 1, 1, 1, 2);
    gtk_container_add(GTK_CONTAINER(window), grid);
}

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    int texts = argc > 1 && strcmp(argv[1], "texts") == 0;
    gtk_window_set_title(GTK_WINDOW(window), texts ? "texts-window" : "bare-window");
    gtk_window_set_default_size(GTK_WINDOW(window), 434, 312);
    if (texts)
        add_texts(window);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
