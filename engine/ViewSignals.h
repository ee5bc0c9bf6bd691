#pragma once
// The bridge from WebKit's signals to a view's wke callbacks.
//
//   WebKit signal                            wke callback
//   ---------------------------------------  -------------------------------------
//   load-changed / load-failed               LoadingFinish (once per main load)
//   load-failed-with-tls-errors              (configured trust, then LoadingFinish)
//   resource failed-with-tls-errors          (configured trust for later requests)
//   notify::title                            TitleChanged
//   notify::uri                              URLChanged2
//   decide-policy (navigation action)        Navigation
//   create                                   CreateView
//   script-dialog                            AlertBox, ConfirmBox, PromptBox
//   resource-load-started, resource finished LoadUrlBegin, LoadUrlEnd
//   mouse-target-changed                     MouseOverUrlChanged
//   draw (after the view drew)               PaintUpdated
//   page script messages                     DocumentReady2, Console
//   context download-started (Engine.cpp)    Download

#include <webkit2/webkit2.h>

namespace quilbex::engine {

class WebView;

struct ViewSignals {
    // Adds the scripts that report document readiness (in a script world of
    // the engine's own, invisible to the page) and console output (in the
    // page's world, where console calls happen).
    static void install_page_scripts(WebKitUserContentManager* content);
    static void connect(WebView& view);

private:
    static void on_load_changed(WebKitWebView*, WebKitLoadEvent, WebView*);
    static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, const char*, GError*, WebView*);
    static gboolean on_tls_errors(WebKitWebView*, const char*, GTlsCertificate*, GTlsCertificateFlags, WebView*);
    static void on_title(WebKitWebView*, GParamSpec*, WebView*);
    static void on_uri(WebKitWebView*, GParamSpec*, WebView*);
    static gboolean on_decide_policy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, WebView*);
    static GtkWidget* on_create(WebKitWebView*, WebKitNavigationAction*, WebView*);
    static void on_ready_to_show(WebKitWebView*, WebView*);
    static void on_close(WebKitWebView*, WebView*);
    static gboolean on_script_dialog(WebKitWebView*, WebKitScriptDialog*, WebView*);
    static void on_resource_started(WebKitWebView*, WebKitWebResource*, WebKitURIRequest*, WebView*);
    static void on_resource_finished(WebKitWebResource*, WebView*);
    static void on_resource_tls_errors(WebKitWebResource*, GTlsCertificate*, GTlsCertificateFlags, WebView*);
    static void on_mouse_target(WebKitWebView*, WebKitHitTestResult*, guint, WebView*);
    static gboolean on_draw(GtkWidget*, cairo_t*, WebView*);
    static void on_ready_message(WebKitUserContentManager*, WebKitJavascriptResult*, WebView*);
    static void on_console_message(WebKitUserContentManager*, WebKitJavascriptResult*, WebView*);
};

}  // namespace quilbex::engine
