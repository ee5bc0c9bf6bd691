#pragma once
// One engine view: the window the program sees (wkeGetWindowHandle) and the
// WebKitWebView inside it.
//
// The WebKitWebView is created on first need (a load, or a request for a new
// window that must be answered at once), so that storage settings given right
// after creation still reach the shared WebKit context, and so that WebKit's
// processes start only when a page is really shown.
//
// Lifetime: the object lives until its window is destroyed, by
// wkeDestroyWebView or together with the program window that contains it; the
// window's "destroy" handler deletes it. Handles are checked against the
// engine's table of live views before every use.

#include "engine/GObjectPtr.h"
#include "engine/wke.h"

#include <cstdint>
#include <gtk/gtk.h>
#include <string>
#include <vector>
#include <webkit2/webkit2.h>

namespace quilbex::engine {

template <typename Fn> struct Callback {
    Fn fn = nullptr;
    void* param = nullptr;
    explicit operator bool() const { return fn != nullptr; }
};

struct ViewCallbacks {
    Callback<wkePaintUpdatedCallback> paint_updated;
    Callback<wkeDocumentReady2Callback> document_ready;
    Callback<wkeTitleChangedCallback> title_changed;
    Callback<wkeURLChanged2Callback> url_changed;
    Callback<wkeNavigationCallback> navigation;
    Callback<wkeCreateViewCallback> create_view;
    Callback<wkeLoadingFinishCallback> loading_finish;
    Callback<wkeConsoleCallback> console;
    Callback<wkeAlertBoxCallback> alert_box;
    Callback<wkeConfirmBoxCallback> confirm_box;
    Callback<wkePromptBoxCallback> prompt_box;
    Callback<wkeDownloadCallback> download;
    Callback<wkeLoadUrlBeginCallback> load_url_begin;
    Callback<wkeLoadUrlEndCallback> load_url_end;
    Callback<wkeMouseOverUrlChangedCallback> mouse_over_url;
    Callback<wkeInputCallback> input;
};

class WebView {
public:
    // Null when a CONTROL view's parent cannot be resolved or the engine is
    // not initialised.
    static WebView* create(wkeWindowType type, void* parent, int x, int y, int width, int height);

    wkeWebView handle() { return reinterpret_cast<wkeWebView>(this); }
    void* window_handle() const { return m_window.get(); }
    // The WebKitWebView, or null while none has been needed.
    WebKitWebView* web_view() const { return m_web_view.get(); }
    ViewCallbacks& callbacks() { return m_callbacks; }

    void destroy();
    void show(bool visible);
    void set_transparent(bool transparent);
    void resize(int width, int height);
    void set_window_title(const std::string& title);
    void set_csp_check(bool enable) { m_csp_check = enable; }
    void set_plugins(bool enable) { m_plugins = enable; }
    void set_new_window_navigation(bool enable) { m_new_window_navigation = enable; }
    void set_user_agent(const std::string& agent);

    void load_url(const std::string& url);
    void load_html(const std::string& html);
    void reload();

    const char* title();
    const char* url();
    const char* cookies();
    // When the cookie `name` of the shown page expires (see cookie_expiry_for_uri); -1 without a page.
    std::int64_t cookie_expiry(const std::string& name);

    // Keys whose press the program kept from the page: their release is kept too.
    std::vector<guint>& kept_keys() { return m_kept_keys; }

    // Called for a download that this view's page started.
    void handle_download(WebKitDownload* download);

private:
    friend struct ViewSignals;

    WebView(wkeWindowType type, GtkWidget* window, GtkWidget* box);
    ~WebView();

    // Creates the WebKitWebView when there is none yet; `related` makes it
    // share the opener's web process, as a new-window request needs.
    WebKitWebView* ensure_web_view(WebKitWebView* related = nullptr);

public:
    // For a view created while `opener` asks for a new window: its
    // WebKitWebView is made now, related to the opener's.
    void open_from(WebView& opener);

private:
    void connect_signals();
    void disconnect_signals();

    wkeWindowType m_type;
    GRef<GtkWidget> m_window;  // what the program sees as the view's window
    GtkWidget* m_box;  // holds the WebKitWebView; owned by m_window
    GRef<WebKitWebView> m_web_view;
    GRef<WebKitUserContentManager> m_content;
    std::vector<GRef<WebKitWebResource>> m_resources;  // requests in flight
    ViewCallbacks m_callbacks;

    std::string m_user_agent;
    bool m_transparent = false;
    bool m_csp_check = true;
    bool m_plugins = false;
    bool m_new_window_navigation = true;
    bool m_show_when_ready = false;  // an engine-owned pop-up: shown when WebKit says it is ready
    WebKitWebView* m_opened_by = nullptr;  // the opener this view's WebKitWebView is related to
    bool m_load_failed = false;  // the current main-document load reported an error
    bool m_load_cancelled = false;
    std::string m_failed_uri;
    std::string m_failed_reason;
    int m_tls_retries = 0;  // loads allowed after a refusal since the last committed load
    int m_tls_allowances = 0;  // certificates allowed for those loads
    std::string m_tls_retry_uri;  // to load again once the refused load has finished
    std::string m_hovered_link;
    std::vector<guint> m_kept_keys;
    std::string m_title;
    std::string m_url;
    std::string m_cookies;
};

}  // namespace quilbex::engine
