/* The peer of the login window: a bare WebKitGTK program with one window of
 * the main window's size, which is one button; a click opens a window titled
 * "登录" of the login window's size whose web view loads the address given
 * as the first argument (the same stand-in account page the tool opens).
 *
 * WebKit is loaded when the window opens, as the tool loads its engine
 * then, so that the memory the window adds holds the library's loading on
 * both sides (a program linked with WebKit pays part of it at start).
 *
 * It does what any WebKitGTK program must do to show that page and no more:
 * the local services' certificate comes from an authority of their own, so
 * a load refused for its certificate is allowed for that host and loaded
 * again (the tool's engine does the same after checking the authority). When
 * WebKit's early connection to the host is the one refused, the load ends
 * as cancelled without that signal; it is loaded again then too, a few
 * times at most, as the engine does (without it the window stays empty). It
 * sets the two variables the tool's engine sets before WebKit starts (no
 * DMA-BUF renderer, no GPU render node), so that neither side loads a GL
 * driver and the figures compare the same drawing path. */
#include <dlfcn.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <webkit2/webkit2.h>

static const char* page;

/* The five WebKit functions used, found when the window first opens. */
static struct {
    GtkWidget* (*view_new)(void);
    void (*load_uri)(WebKitWebView*, const char*);
    WebKitWebContext* (*context_of)(WebKitWebView*);
    void (*allow)(WebKitWebContext*, GTlsCertificate*, const char*);
} webkit;

static int load_webkit(void) {
    if (webkit.view_new)
        return 1;
    void* library = dlopen("libwebkit2gtk-4.1.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 0;
    }
    *(void**)&webkit.view_new = dlsym(library, "webkit_web_view_new");
    *(void**)&webkit.load_uri = dlsym(library, "webkit_web_view_load_uri");
    *(void**)&webkit.context_of = dlsym(library, "webkit_web_view_get_context");
    *(void**)&webkit.allow = dlsym(library, "webkit_web_context_allow_tls_certificate_for_host");
    return webkit.view_new && webkit.load_uri && webkit.context_of && webkit.allow;
}

static gboolean on_tls_errors(WebKitWebView* view, char* uri, GTlsCertificate* certificate, GTlsCertificateFlags errors,
                              gpointer data) {
    (void)errors;
    (void)data;
    GUri* parsed = g_uri_parse(uri, G_URI_FLAGS_NONE, NULL);
    if (!parsed)
        return FALSE;
    webkit.allow(webkit.context_of(view), certificate, g_uri_get_host(parsed));
    g_uri_unref(parsed);
    webkit.load_uri(view, page);
    return TRUE;
}

static gboolean load_page(gpointer view) {
    webkit.load_uri((WebKitWebView*)view, page);
    return G_SOURCE_REMOVE;
}

static gboolean on_load_failed(WebKitWebView* view, WebKitLoadEvent event, char* uri, GError* error, gpointer data) {
    static int retries;
    (void)event;
    (void)uri;
    (void)data;
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) || retries++ >= 5)
        return FALSE;
    /* Once this load has ended. */
    g_idle_add(load_page, view);
    return TRUE;
}

static void open_login(GtkButton* button, gpointer data) {
    (void)button;
    (void)data;
    if (!load_webkit())
        exit(1);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "登录");
    gtk_window_set_default_size(GTK_WINDOW(window), 759, 481);
    GtkWidget* view = webkit.view_new();
    g_signal_connect(view, "load-failed-with-tls-errors", G_CALLBACK(on_tls_errors), NULL);
    g_signal_connect(view, "load-failed", G_CALLBACK(on_load_failed), NULL);
    gtk_container_add(GTK_CONTAINER(window), view);
    webkit.load_uri((WebKitWebView*)view, page);
    gtk_widget_show_all(window);
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    page = argv[1];
    setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 0);
    setenv("WEBKIT_WEB_RENDER_DEVICE_FILE", "/dev/null", 0);
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "bare-login");
    gtk_window_set_default_size(GTK_WINDOW(window), 434, 312);
    GtkWidget* button = gtk_button_new_with_label("登录");
    g_signal_connect(button, "clicked", G_CALLBACK(open_login), NULL);
    gtk_container_add(GTK_CONTAINER(window), button);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
