// The exported C functions of "node.dll". Each checks its handle and hands
// the call to the view or the engine; a call on an unknown handle does nothing.

#include "engine/Engine.h"
#include "engine/EngineString.h"
#include "engine/TextCodec.h"
#include "engine/WebView.h"
#include "engine/wke.h"

using quilbex::engine::Engine;
using quilbex::engine::EngineString;
using quilbex::engine::narrow_to_utf8;
using quilbex::engine::utf16_to_utf8;
using quilbex::engine::WebView;

namespace {

WebView* view_of(wkeWebView handle) { return Engine::get().find_view(handle); }

template <typename Fn>
void set_callback(wkeWebView handle, quilbex::engine::Callback<Fn> quilbex::engine::ViewCallbacks::*member, Fn fn,
                  void* param) {
    if (WebView* view = view_of(handle))
        (view->callbacks().*member) = {fn, param};
}

}  // namespace

extern "C" {

bool wkeIsInitialize(void) { return Engine::get().initialized(); }

void wkeInitializeEx(const wkeSettings*) { Engine::get().initialize(); }

wkeWebView wkeCreateWebWindow(wkeWindowType type, void* parent, int x, int y, int width, int height) {
    WebView* view = WebView::create(type, parent, x, y, width, height);
    if (!view)
        return nullptr;
    if (WebView* opener = Engine::get().opener())
        view->open_from(*opener);
    return view->handle();
}

void wkeDestroyWebView(wkeWebView webView) {
    if (WebView* view = view_of(webView))
        view->destroy();
}

void wkeShowWindow(wkeWebView webView, bool show) {
    if (WebView* view = view_of(webView))
        view->show(show);
}

void wkeSetTransparent(wkeWebView webView, bool transparent) {
    if (WebView* view = view_of(webView))
        view->set_transparent(transparent);
}

void* wkeGetWindowHandle(wkeWebView webView) {
    WebView* view = view_of(webView);
    return view ? view->window_handle() : nullptr;
}

void wkeResize(wkeWebView webView, int width, int height) {
    if (WebView* view = view_of(webView))
        view->resize(width, height);
}

void wkeSetWindowTitle(wkeWebView webView, const char* title) {
    if (WebView* view = view_of(webView))
        view->set_window_title(narrow_to_utf8(title));
}

void wkeSetCspCheckEnable(wkeWebView webView, bool enable) {
    if (WebView* view = view_of(webView))
        view->set_csp_check(enable);
}

void wkeSetNpapiPluginsEnabled(wkeWebView webView, bool enable) {
    if (WebView* view = view_of(webView))
        view->set_plugins(enable);
}

void wkeSetNavigationToNewWindowEnable(wkeWebView webView, bool enable) {
    if (WebView* view = view_of(webView))
        view->set_new_window_navigation(enable);
}

void wkeSetUserAgent(wkeWebView webView, const char* userAgent) {
    if (WebView* view = view_of(webView))
        view->set_user_agent(narrow_to_utf8(userAgent));
}

void wkeLoadURL(wkeWebView webView, const char* url) {
    if (WebView* view = view_of(webView))
        view->load_url(narrow_to_utf8(url));
}

void wkeLoadHTML(wkeWebView webView, const char* html) {
    if (WebView* view = view_of(webView))
        view->load_html(narrow_to_utf8(html));
}

void wkeReload(wkeWebView webView) {
    if (WebView* view = view_of(webView))
        view->reload();
}

const char* wkeGetTitle(wkeWebView webView) {
    WebView* view = view_of(webView);
    return view ? view->title() : "";
}

const char* wkeGetURL(wkeWebView webView) {
    WebView* view = view_of(webView);
    return view ? view->url() : "";
}

void wkeSetLocalStorageFullPath(wkeWebView webView, const wkeChar16* path) {
    if (view_of(webView) && path)
        Engine::get().set_storage_directory(utf16_to_utf8(path));
}

void wkeSetCookieJarPath(wkeWebView webView, const wkeChar16* path) {
    if (view_of(webView) && path)
        Engine::get().set_cookie_jar(utf16_to_utf8(path));
}

void wkeSetCookieEnabled(wkeWebView webView, bool enable) {
    if (view_of(webView))
        Engine::get().set_cookies_enabled(enable);
}

const char* wkeGetCookie(wkeWebView webView) {
    WebView* view = view_of(webView);
    return view ? view->cookies() : "";
}

long long wkeQuilbexGetCookieExpires(wkeWebView webView, const char* name) {
    WebView* view = view_of(webView);
    return view && name ? static_cast<long long>(view->cookie_expiry(narrow_to_utf8(name))) : -1;
}

void wkeClearCookie(wkeWebView webView) {
    if (view_of(webView))
        Engine::get().clear_cookies();
}

const wkeChar16* wkeGetStringW(wkeString string) {
    EngineString* text = EngineString::from_handle(string);
    return text ? text->utf16() : u"";
}

const char* wkeGetString(wkeString string) {
    EngineString* text = EngineString::from_handle(string);
    return text ? text->utf8().c_str() : "";
}

void wkeSetString(wkeString string, const char* text, size_t length) {
    EngineString* target = EngineString::from_handle(string);
    if (!target)
        return;
    target->set_utf8(text ? narrow_to_utf8(std::string(text, length).c_str()) : std::string());
}

void wkeSetStringW(wkeString string, const wkeChar16* text, size_t length) {
    EngineString* target = EngineString::from_handle(string);
    if (!target)
        return;
    target->set_utf8(text ? utf16_to_utf8(std::u16string_view(text, length)) : std::string());
}

void wkeOnPaintUpdated(wkeWebView webView, wkePaintUpdatedCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::paint_updated, callback, param);
}
void wkeOnDocumentReady2(wkeWebView webView, wkeDocumentReady2Callback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::document_ready, callback, param);
}
void wkeOnTitleChanged(wkeWebView webView, wkeTitleChangedCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::title_changed, callback, param);
}
void wkeOnURLChanged2(wkeWebView webView, wkeURLChanged2Callback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::url_changed, callback, param);
}
void wkeOnNavigation(wkeWebView webView, wkeNavigationCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::navigation, callback, param);
}
void wkeOnCreateView(wkeWebView webView, wkeCreateViewCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::create_view, callback, param);
}
void wkeOnLoadingFinish(wkeWebView webView, wkeLoadingFinishCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::loading_finish, callback, param);
}
void wkeOnConsole(wkeWebView webView, wkeConsoleCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::console, callback, param);
}
void wkeOnAlertBox(wkeWebView webView, wkeAlertBoxCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::alert_box, callback, param);
}
void wkeOnConfirmBox(wkeWebView webView, wkeConfirmBoxCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::confirm_box, callback, param);
}
void wkeOnPromptBox(wkeWebView webView, wkePromptBoxCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::prompt_box, callback, param);
}
void wkeOnDownload(wkeWebView webView, wkeDownloadCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::download, callback, param);
}
void wkeOnLoadUrlBegin(wkeWebView webView, wkeLoadUrlBeginCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::load_url_begin, callback, param);
}
void wkeOnLoadUrlEnd(wkeWebView webView, wkeLoadUrlEndCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::load_url_end, callback, param);
}
void wkeOnMouseOverUrlChanged(wkeWebView webView, wkeMouseOverUrlChangedCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::mouse_over_url, callback, param);
}

void wkeQuilbexOnInput(wkeWebView webView, wkeInputCallback callback, void* param) {
    set_callback(webView, &quilbex::engine::ViewCallbacks::input, callback, param);
}

bool wkeQuilbexAllowCertificate(const char* host, const char* caPemPath) {
    return host && Engine::get().trust().allow_authority(host, caPemPath);
}

void wkeQuilbexSetProxy(const char* httpProxy, const char* httpsProxy, const char* ignoreHosts) {
    Engine::get().set_network_proxy(httpProxy, httpsProxy, ignoreHosts);
}

}  // extern "C"
