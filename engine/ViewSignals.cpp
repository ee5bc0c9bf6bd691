#include "engine/ViewSignals.h"

#include "engine/Engine.h"
#include "engine/EngineString.h"
#include "engine/ViewInput.h"
#include "engine/WebView.h"

#include <climits>
#include <jsc/jsc.h>
#include <string>

namespace quilbex::engine {

namespace {

constexpr char kEngineWorld[] = "quilbex-wke";
constexpr char kReadyHandler[] = "wkeReady";
constexpr char kConsoleHandler[] = "wkeConsole";

// Posts once the top document's DOM is complete (user scripts at document
// end run on DOMContentLoaded).
constexpr char kReadyScript[] = "window.webkit.messageHandlers.wkeReady.postMessage(0);";

// Forwards console calls and uncaught errors as [level, message, source, line, stack].
constexpr char kConsoleScript[] = R"JS((function () {
  var handlers = window.webkit && window.webkit.messageHandlers;
  var post = handlers && handlers.wkeConsole;
  if (!post) return;
  var levels = { log: 1, warn: 2, error: 3, debug: 4, info: 5 };
  Object.keys(levels).forEach(function (name) {
    var original = console[name];
    console[name] = function () {
      var stack = String(new Error().stack || '').split('\n').slice(1);
      var where = /^(?:.*@)?(.*):(\d+):\d+$/.exec(stack[0] || '');
      try {
        post.postMessage([levels[name], Array.prototype.map.call(arguments, String).join(' '),
                          where ? where[1] : String(location.href), where ? +where[2] : 0, stack.join('\n')]);
      } catch (e) {}
      return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (e) {
    try {
      post.postMessage([3, String(e.message), String(e.filename || location.href), e.lineno | 0,
                        e.error && e.error.stack ? String(e.error.stack) : '']);
    } catch (x) {}
  });
})();)JS";

bool alive(wkeWebView handle) { return Engine::get().find_view(handle) != nullptr; }

// Loads allowed after a certificate refusal before a load is given up. The
// allowance reaches WebKit's network process on a channel of its own, which
// a busy machine may serve late: the load after the first allowance goes at
// once, each further one waits twice as long as the one before (0.2 s up to
// 1.6 s, 3 s in all). A load retried because WebKit's early connection was
// refused has allowed nothing yet and goes at once as well.
constexpr int kTlsRetryLimit = 5;
constexpr guint kTlsRetryDelayMs = 200;

guint tls_retry_delay_ms(int allowances) { return allowances <= 1 ? 0 : kTlsRetryDelayMs << (allowances - 2); }

// Loads `uri` in the view after `delay_ms`, if the view still exists then.
void retry_load_later(wkeWebView handle, std::string uri, guint delay_ms) {
    struct Retry {
        wkeWebView handle;
        std::string uri;
    };
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, delay_ms,
        [](gpointer data) -> gboolean {
            auto* retry = static_cast<Retry*>(data);
            if (WebView* view = Engine::get().find_view(retry->handle))
                if (WebKitWebView* web_view = view->web_view())
                    webkit_web_view_load_uri(web_view, retry->uri.c_str());
            return G_SOURCE_REMOVE;
        },
        new Retry{handle, std::move(uri)}, [](gpointer data) { delete static_cast<Retry*>(data); });
}

std::string uri_of(WebKitURIRequest* request) {
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    return uri ? uri : "";
}

std::string host_of(const char* uri) {
    GUri* parsed = uri ? g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr) : nullptr;
    if (!parsed)
        return {};
    const char* host = g_uri_get_host(parsed);
    std::string out = host ? host : "";
    g_uri_unref(parsed);
    return out;
}

wkeNavigationType navigation_type(WebKitNavigationAction* action) {
    // WebKit's navigation types come in the same order as ours.
    switch (webkit_navigation_action_get_navigation_type(action)) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED: return WKE_NAVIGATION_TYPE_LINKCLICK;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED: return WKE_NAVIGATION_TYPE_FORMSUBMITTE;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD: return WKE_NAVIGATION_TYPE_BACKFORWARD;
    case WEBKIT_NAVIGATION_TYPE_RELOAD: return WKE_NAVIGATION_TYPE_RELOAD;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED: return WKE_NAVIGATION_TYPE_FORMRESUBMITT;
    default: return WKE_NAVIGATION_TYPE_OTHER;
    }
}

// Element `index` of a JavaScript array as text / integer.
std::string js_text_at(JSCValue* array, guint index) {
    JSCValue* item = jsc_value_object_get_property_at_index(array, index);
    char* text = item ? jsc_value_to_string(item) : nullptr;
    std::string out = text ? text : "";
    g_free(text);
    if (item)
        g_object_unref(item);
    return out;
}

int js_int_at(JSCValue* array, guint index) {
    JSCValue* item = jsc_value_object_get_property_at_index(array, index);
    int value = item ? jsc_value_to_int32(item) : 0;
    if (item)
        g_object_unref(item);
    return value;
}

wkeConsoleLevel console_level(int level) {
    return level >= WKE_CONSOLE_LOG && level <= WKE_CONSOLE_INFO ? static_cast<wkeConsoleLevel>(level)
                                                                 : WKE_CONSOLE_LOG;
}

}  // namespace

void ViewSignals::install_page_scripts(WebKitUserContentManager* content) {
    webkit_user_content_manager_register_script_message_handler_in_world(content, kReadyHandler, kEngineWorld);
    WebKitUserScript* ready =
        webkit_user_script_new_for_world(kReadyScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, kEngineWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, ready);
    webkit_user_script_unref(ready);

    webkit_user_content_manager_register_script_message_handler(content, kConsoleHandler);
    WebKitUserScript* console = webkit_user_script_new(kConsoleScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                       WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, console);
    webkit_user_script_unref(console);
}

void ViewSignals::connect(WebView& view) {
    WebKitWebView* web_view = view.m_web_view.get();
    g_signal_connect(web_view, "load-changed", G_CALLBACK(on_load_changed), &view);
    g_signal_connect(web_view, "load-failed", G_CALLBACK(on_load_failed), &view);
    g_signal_connect(web_view, "load-failed-with-tls-errors", G_CALLBACK(on_tls_errors), &view);
    g_signal_connect(web_view, "notify::title", G_CALLBACK(on_title), &view);
    g_signal_connect(web_view, "notify::uri", G_CALLBACK(on_uri), &view);
    g_signal_connect(web_view, "decide-policy", G_CALLBACK(on_decide_policy), &view);
    g_signal_connect(web_view, "create", G_CALLBACK(on_create), &view);
    g_signal_connect(web_view, "ready-to-show", G_CALLBACK(on_ready_to_show), &view);
    g_signal_connect(web_view, "close", G_CALLBACK(on_close), &view);
    g_signal_connect(web_view, "script-dialog", G_CALLBACK(on_script_dialog), &view);
    g_signal_connect(web_view, "resource-load-started", G_CALLBACK(on_resource_started), &view);
    g_signal_connect(web_view, "mouse-target-changed", G_CALLBACK(on_mouse_target), &view);
    g_signal_connect_after(web_view, "draw", G_CALLBACK(on_draw), &view);
    connect_view_input(view, GTK_WIDGET(web_view));
    WebKitUserContentManager* content = view.m_content.get();
    g_signal_connect(content, "script-message-received::wkeReady", G_CALLBACK(on_ready_message), &view);
    g_signal_connect(content, "script-message-received::wkeConsole", G_CALLBACK(on_console_message), &view);
}

void ViewSignals::on_load_changed(WebKitWebView* web_view, WebKitLoadEvent event, WebView* view) {
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        view->m_load_failed = false;
        view->m_load_cancelled = false;
        view->m_failed_reason.clear();
        break;
    case WEBKIT_LOAD_COMMITTED:
        view->m_tls_retries = 0;
        view->m_tls_allowances = 0;
        break;
    case WEBKIT_LOAD_FINISHED: {
        if (!view->m_tls_retry_uri.empty()) {
            // The load was refused for a certificate that is now allowed: go
            // again, silently.
            std::string uri = std::move(view->m_tls_retry_uri);
            view->m_tls_retry_uri.clear();
            retry_load_later(view->handle(), std::move(uri), tls_retry_delay_ms(view->m_tls_allowances));
            return;
        }
        auto& callback = view->m_callbacks.loading_finish;
        if (!callback)
            return;
        const char* current = webkit_web_view_get_uri(web_view);
        EngineString url(view->m_load_failed ? view->m_failed_uri : std::string(current ? current : ""));
        EngineString reason(view->m_failed_reason);
        wkeLoadingResult result = !view->m_load_failed     ? WKE_LOADING_SUCCEEDED
                                  : view->m_load_cancelled ? WKE_LOADING_CANCELED
                                                           : WKE_LOADING_FAILED;
        callback.fn(view->handle(), callback.param, url.handle(), result, reason.handle());
        break;
    }
    default: break;
    }
}

gboolean ViewSignals::on_load_failed(WebKitWebView*, WebKitLoadEvent, const char* failing_uri, GError* error,
                                     WebView* view) {
    // WebKit opens a connection to the page's host ahead of the load. When
    // that connection's certificate is refused, the load that was waiting for
    // it ends as a network-level cancellation, without the certificate signal
    // that would have allowed it: go again, within the same tries, so that
    // the next connection meets the certificate check itself.
    if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && failing_uri &&
        view->m_tls_retries < kTlsRetryLimit && Engine::get().trust().has_host(host_of(failing_uri))) {
        ++view->m_tls_retries;
        view->m_tls_retry_uri = failing_uri;
        return TRUE;
    }
    view->m_load_failed = true;
    view->m_failed_uri = failing_uri ? failing_uri : "";
    if (view->m_failed_reason.empty() && error)
        view->m_failed_reason = error->message;
    view->m_load_cancelled = error && (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
                                       g_error_matches(error, WEBKIT_POLICY_ERROR,
                                                       WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE));
    // Handled here: WebKit's own error page would be one more load, reported
    // to the program as a successful one.
    return TRUE;
}

gboolean ViewSignals::on_tls_errors(WebKitWebView*, const char* failing_uri, GTlsCertificate* certificate,
                                    GTlsCertificateFlags, WebView* view) {
    Engine& engine = Engine::get();
    const std::string host = host_of(failing_uri);
    if (view->m_tls_retries < kTlsRetryLimit && engine.trust().accepts(host, certificate)) {
        webkit_web_context_allow_tls_certificate_for_host(engine.web_context(), certificate, host.c_str());
        ++view->m_tls_retries;
        ++view->m_tls_allowances;
        view->m_tls_retry_uri = failing_uri;
        return TRUE;
    }
    view->m_load_failed = true;
    view->m_failed_uri = failing_uri ? failing_uri : "";
    view->m_failed_reason = "The server's TLS certificate is not trusted";
    return FALSE;
}

void ViewSignals::on_title(WebKitWebView* web_view, GParamSpec*, WebView* view) {
    auto& callback = view->m_callbacks.title_changed;
    if (!callback)
        return;
    const char* title = webkit_web_view_get_title(web_view);
    EngineString text(title ? title : "");
    callback.fn(view->handle(), callback.param, text.handle());
}

void ViewSignals::on_uri(WebKitWebView* web_view, GParamSpec*, WebView* view) {
    auto& callback = view->m_callbacks.url_changed;
    if (!callback)
        return;
    const char* uri = webkit_web_view_get_uri(web_view);
    EngineString text(uri ? uri : "");
    callback.fn(view->handle(), callback.param, WKE_MAIN_FRAME_ID, text.handle());
}

gboolean ViewSignals::on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                       WebView* view) {
    auto& callback = view->m_callbacks.navigation;
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION || !callback)
        return FALSE;
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    EngineString url(uri_of(webkit_navigation_action_get_request(action)));
    if (callback.fn(view->handle(), callback.param, navigation_type(action), url.handle()))
        return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

GtkWidget* ViewSignals::on_create(WebKitWebView* web_view, WebKitNavigationAction* action, WebView* view) {
    Engine& engine = Engine::get();
    const std::string url = uri_of(webkit_navigation_action_get_request(action));
    auto& callback = view->m_callbacks.create_view;
    if (!callback) {
        if (!view->m_new_window_navigation) {
            if (!url.empty())
                webkit_web_view_load_uri(web_view, url.c_str());
            return nullptr;
        }
        WebView* popup = WebView::create(WKE_WINDOW_TYPE_POPUP, nullptr, 0, 0, 800, 600);
        if (!popup)
            return nullptr;
        popup->m_show_when_ready = true;
        popup->open_from(*view);
        return GTK_WIDGET(popup->web_view());
    }

    const wkeWebView self = view->handle();
    WebView* previous_opener = engine.opener();
    engine.set_opener(view);
    EngineString url_text(url);
    wkeWebView chosen = callback.fn(self, callback.param, navigation_type(action), url_text.handle());
    engine.set_opener(previous_opener);
    if (!alive(self))
        return nullptr;
    WebView* target = engine.find_view(chosen);
    if (!target)
        return nullptr;
    if (target != view && target->m_opened_by == web_view && target->web_view() &&
        !webkit_web_view_get_uri(target->web_view())) {
        // A fresh view made for this request: WebKit loads the request into it.
        target->m_opened_by = nullptr;
        return GTK_WIDGET(target->web_view());
    }
    // The opener itself or an existing view: load the address there.
    target->load_url(url);
    return nullptr;
}

void ViewSignals::on_ready_to_show(WebKitWebView*, WebView* view) {
    if (view->m_show_when_ready)
        view->show(true);
}

void ViewSignals::on_close(WebKitWebView*, WebView* view) {
    // A page may close the windows it opened, never a view inside a program window.
    if (view->m_type != WKE_WINDOW_TYPE_CONTROL)
        view->destroy();
}

gboolean ViewSignals::on_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog, WebView* view) {
    const wkeWebView self = view->handle();
    EngineString message(webkit_script_dialog_get_message(dialog));
    auto& callbacks = view->m_callbacks;
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
        if (!callbacks.alert_box)
            return FALSE;
        callbacks.alert_box.fn(self, callbacks.alert_box.param, message.handle());
        return TRUE;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        if (!callbacks.confirm_box)
            return FALSE;
        webkit_script_dialog_confirm_set_confirmed(
            dialog, callbacks.confirm_box.fn(self, callbacks.confirm_box.param, message.handle()));
        return TRUE;
    case WEBKIT_SCRIPT_DIALOG_PROMPT: {
        if (!callbacks.prompt_box)
            return FALSE;
        const char* default_text = webkit_script_dialog_prompt_get_default_text(dialog);
        EngineString default_value(default_text ? default_text : "");
        EngineString result;
        if (callbacks.prompt_box.fn(self, callbacks.prompt_box.param, message.handle(), default_value.handle(),
                                    result.handle()))
            webkit_script_dialog_prompt_set_text(dialog, result.utf8().c_str());
        return TRUE;
    }
    default: return FALSE;
    }
}

void ViewSignals::on_resource_started(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest* request,
                                      WebView* view) {
    g_signal_connect(resource, "finished", G_CALLBACK(on_resource_finished), view);
    g_signal_connect(resource, "failed-with-tls-errors", G_CALLBACK(on_resource_tls_errors), view);
    view->m_resources.push_back(GRef<WebKitWebResource>::retain(resource));
    auto& callback = view->m_callbacks.load_url_begin;
    if (!callback)
        return;
    const std::string url = uri_of(request);
    callback.fn(view->handle(), callback.param, url.c_str(), resource);
}

void ViewSignals::on_resource_finished(WebKitWebResource* resource, WebView* view) {
    // Keep the resource alive for the callback, then forget it.
    GRef<WebKitWebResource> keep = GRef<WebKitWebResource>::retain(resource);
    g_signal_handlers_disconnect_by_data(resource, view);
    auto& resources = view->m_resources;
    for (auto it = resources.begin(); it != resources.end(); ++it) {
        if (it->get() == resource) {
            resources.erase(it);
            break;
        }
    }
    auto& callback = view->m_callbacks.load_url_end;
    if (!callback)
        return;
    const char* uri = webkit_web_resource_get_uri(resource);
    const std::string url = uri ? uri : "";
    WebKitURIResponse* response = webkit_web_resource_get_response(resource);
    int status = response ? static_cast<int>(webkit_uri_response_get_status_code(response)) : 0;
    guint64 length = response ? webkit_uri_response_get_content_length(response) : 0;
    callback.fn(view->handle(), callback.param, url.c_str(), resource, status,
                static_cast<int>(std::min<guint64>(length, INT_MAX)));
}

void ViewSignals::on_resource_tls_errors(WebKitWebResource* resource, GTlsCertificate* certificate,
                                         GTlsCertificateFlags, WebView*) {
    // A sub-resource from another configured host: this request is lost, but
    // the host's certificate is allowed for the requests that follow.
    Engine& engine = Engine::get();
    const std::string host = host_of(webkit_web_resource_get_uri(resource));
    if (engine.trust().accepts(host, certificate))
        webkit_web_context_allow_tls_certificate_for_host(engine.web_context(), certificate, host.c_str());
}

void ViewSignals::on_mouse_target(WebKitWebView*, WebKitHitTestResult* hit, guint, WebView* view) {
    const char* link = webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
    std::string current = link ? link : "";
    if (current == view->m_hovered_link)
        return;
    view->m_hovered_link = current;
    auto& callback = view->m_callbacks.mouse_over_url;
    if (!callback)
        return;
    EngineString text(current);
    callback.fn(view->handle(), callback.param, text.handle());
}

gboolean ViewSignals::on_draw(GtkWidget*, cairo_t* cr, WebView* view) {
    auto& callback = view->m_callbacks.paint_updated;
    if (!callback)
        return FALSE;
    GdkRectangle area{};
    gdk_cairo_get_clip_rectangle(cr, &area);
    callback.fn(view->handle(), callback.param, cr, area.x, area.y, area.width, area.height);
    return FALSE;
}

void ViewSignals::on_ready_message(WebKitUserContentManager*, WebKitJavascriptResult*, WebView* view) {
    auto& callback = view->m_callbacks.document_ready;
    if (callback)
        callback.fn(view->handle(), callback.param, WKE_MAIN_FRAME_ID);
}

void ViewSignals::on_console_message(WebKitUserContentManager*, WebKitJavascriptResult* result, WebView* view) {
    auto& callback = view->m_callbacks.console;
    if (!callback || !result)
        return;
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!value || !jsc_value_is_array(value))
        return;
    EngineString message(js_text_at(value, 1));
    EngineString source(js_text_at(value, 2));
    EngineString stack(js_text_at(value, 4));
    const int line = js_int_at(value, 3);
    callback.fn(view->handle(), callback.param, console_level(js_int_at(value, 0)), message.handle(), source.handle(),
                static_cast<unsigned>(line > 0 ? line : 0), stack.handle());
}

}  // namespace quilbex::engine
