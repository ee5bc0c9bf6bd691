#include "engine/WebView.h"

#include "engine/ControlFont.h"
#include "engine/CookieAccess.h"
#include "engine/Engine.h"
#include "engine/ViewSignals.h"

#include <algorithm>
#include <dlfcn.h>

namespace quilbex::engine {

namespace {

// The GtkFixed that holds the children of the program's window `parent`.
GtkWidget* program_container(void* parent) {
    auto resolve = reinterpret_cast<quilbex_ui_gtk_container_fn>(dlsym(RTLD_DEFAULT, QUILBEX_UI_GTK_CONTAINER_SYMBOL));
    if (!resolve || !parent)
        return nullptr;
    auto* widget = static_cast<GtkWidget*>(resolve(parent));
    return widget && GTK_IS_FIXED(widget) ? widget : nullptr;
}

// Gives the views' form fields the desktop's interface font (see ControlFont.h).
void install_control_font(WebKitUserContentManager* content) {
    GtkSettings* settings = gtk_settings_get_default();
    if (!settings)
        return;
    gchar* raw_name = nullptr;
    g_object_get(settings, "gtk-font-name", &raw_name, nullptr);
    GUniqueChars name(raw_name);
    const std::string sheet = control_font_style_sheet(name ? name.get() : "");
    if (sheet.empty())
        return;
    WebKitUserStyleSheet* style = webkit_user_style_sheet_new(sheet.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                              WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content, style);
    webkit_user_style_sheet_unref(style);
}

}  // namespace

WebView* WebView::create(wkeWindowType type, void* parent, int x, int y, int width, int height) {
    if (!Engine::get().initialized())
        return nullptr;
    width = std::max(width, 0);
    height = std::max(height, 0);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* window = nullptr;
    if (type == WKE_WINDOW_TYPE_CONTROL) {
        GtkWidget* fixed = program_container(parent);
        if (!fixed) {
            g_object_unref(g_object_ref_sink(box));
            return nullptr;
        }
        window = box;
        gtk_widget_set_size_request(box, width, height);
        gtk_fixed_put(GTK_FIXED(fixed), box, x, y);
    } else {
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(window), std::max(width, 1), std::max(height, 1));
        gtk_window_move(GTK_WINDOW(window), x, y);
        if (GtkWidget* fixed = program_container(parent)) {
            GtkWidget* toplevel = gtk_widget_get_toplevel(fixed);
            if (GTK_IS_WINDOW(toplevel))
                gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(toplevel));
        }
        gtk_container_add(GTK_CONTAINER(window), box);
        gtk_widget_show(box);
    }
    auto* view = new WebView(type, window, box);
    Engine::get().add_view(view);
    return view;
}

WebView::WebView(wkeWindowType type, GtkWidget* window, GtkWidget* box)
    : m_type(type), m_window(GRef<GtkWidget>::retain(window)), m_box(box) {
    g_signal_connect(window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                         // The window is going away: so does the view.
                         delete static_cast<WebView*>(self);
                     }),
                     this);
}

WebView::~WebView() {
    Engine& engine = Engine::get();
    engine.remove_view(this);
    if (engine.opener() == this)
        engine.set_opener(nullptr);
    disconnect_signals();
    g_signal_handlers_disconnect_by_data(m_window.get(), this);
}

void WebView::destroy() {
    // The "destroy" handler deletes this object.
    gtk_widget_destroy(m_window.get());
}

WebKitWebView* WebView::ensure_web_view(WebKitWebView* related) {
    if (m_web_view)
        return m_web_view.get();
    WebKitWebContext* context = Engine::get().web_context();
    m_content = GRef<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());
    ViewSignals::install_page_scripts(m_content.get());
    install_control_font(m_content.get());
    GRef<WebKitSettings> settings = GRef<WebKitSettings>::adopt(webkit_settings_new());
    if (!m_user_agent.empty())
        webkit_settings_set_user_agent(settings.get(), m_user_agent.c_str());
    webkit_settings_set_hardware_acceleration_policy(settings.get(), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    GObject* created =
        related ? static_cast<GObject*>(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related, "settings",
                                                     settings.get(), "user-content-manager", m_content.get(), nullptr))
                : static_cast<GObject*>(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "settings",
                                                     settings.get(), "user-content-manager", m_content.get(), nullptr));
    m_web_view = GRef<WebKitWebView>::retain(WEBKIT_WEB_VIEW(created));
    set_transparent(m_transparent);
    gtk_box_pack_start(GTK_BOX(m_box), GTK_WIDGET(m_web_view.get()), TRUE, TRUE, 0);
    gtk_widget_show(GTK_WIDGET(m_web_view.get()));
    connect_signals();
    return m_web_view.get();
}

void WebView::open_from(WebView& opener) {
    if (m_web_view || !opener.m_web_view)
        return;
    m_opened_by = opener.m_web_view.get();
    ensure_web_view(m_opened_by);
}

void WebView::connect_signals() { ViewSignals::connect(*this); }

void WebView::disconnect_signals() {
    if (m_web_view)
        g_signal_handlers_disconnect_by_data(m_web_view.get(), this);
    if (m_content)
        g_signal_handlers_disconnect_by_data(m_content.get(), this);
    for (auto& resource : m_resources)
        g_signal_handlers_disconnect_by_data(resource.get(), this);
    m_resources.clear();
}

void WebView::show(bool visible) {
    if (visible)
        gtk_widget_show(m_window.get());
    else
        gtk_widget_hide(m_window.get());
}

void WebView::set_transparent(bool transparent) {
    m_transparent = transparent;
    if (!m_web_view)
        return;
    GdkRGBA background{1.0, 1.0, 1.0, transparent ? 0.0 : 1.0};
    webkit_web_view_set_background_color(m_web_view.get(), &background);
}

void WebView::resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (GTK_IS_WINDOW(m_window.get()))
        gtk_window_resize(GTK_WINDOW(m_window.get()), std::max(width, 1), std::max(height, 1));
    else
        gtk_widget_set_size_request(m_window.get(), width, height);
}

void WebView::set_window_title(const std::string& title) {
    if (GTK_IS_WINDOW(m_window.get()))
        gtk_window_set_title(GTK_WINDOW(m_window.get()), title.c_str());
}

void WebView::set_user_agent(const std::string& agent) {
    m_user_agent = agent;
    if (m_web_view)
        webkit_settings_set_user_agent(webkit_web_view_get_settings(m_web_view.get()),
                                       agent.empty() ? nullptr : agent.c_str());
}

void WebView::load_url(const std::string& url) {
    if (url.empty())
        return;
    webkit_web_view_load_uri(ensure_web_view(), url.c_str());
}

void WebView::load_html(const std::string& html) {
    webkit_web_view_load_html(ensure_web_view(), html.c_str(), nullptr);
}

void WebView::reload() {
    if (m_web_view)
        webkit_web_view_reload(m_web_view.get());
}

const char* WebView::title() {
    const char* current = m_web_view ? webkit_web_view_get_title(m_web_view.get()) : nullptr;
    m_title = current ? current : "";
    return m_title.c_str();
}

const char* WebView::url() {
    const char* current = m_web_view ? webkit_web_view_get_uri(m_web_view.get()) : nullptr;
    m_url = current ? current : "";
    return m_url.c_str();
}

const char* WebView::cookies() {
    static const char kNone[] = "";
    const char* uri = m_web_view ? webkit_web_view_get_uri(m_web_view.get()) : nullptr;
    if (!uri)
        return kNone;
    Engine& engine = Engine::get();
    const wkeWebView self = handle();
    std::string text = cookies_for_uri(webkit_website_data_manager_get_cookie_manager(engine.data_manager()), uri);
    // The wait runs the main loop: the view may have been destroyed meanwhile.
    if (engine.find_view(self) != this)
        return kNone;
    m_cookies = std::move(text);
    return m_cookies.c_str();
}

std::int64_t WebView::cookie_expiry(const std::string& name) {
    const char* uri = m_web_view ? webkit_web_view_get_uri(m_web_view.get()) : nullptr;
    if (!uri)
        return -1;
    // The page's address is copied: the wait runs the main loop, which may
    // navigate or destroy the view.
    return cookie_expiry_for_uri(webkit_website_data_manager_get_cookie_manager(Engine::get().data_manager()),
                                 std::string(uri), name);
}

void WebView::handle_download(WebKitDownload* download) {
    WebKitURIRequest* request = webkit_download_get_request(download);
    std::string url = request ? webkit_uri_request_get_uri(request) : "";
    // The engine never writes downloads anywhere itself.
    webkit_download_cancel(download);
    if (m_callbacks.download)
        m_callbacks.download.fn(handle(), m_callbacks.download.param, url.c_str());
}

}  // namespace quilbex::engine
