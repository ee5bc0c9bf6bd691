#pragma once
// Process-wide engine state: initialisation, the one WebKit context that all
// views share (so that they share cookies and can open each other), storage
// places, TLS trust, the proxy and the table of live views.
//
// Everything here runs on the main thread; nothing is locked.

#include "engine/GObjectPtr.h"
#include "engine/NetworkProxy.h"
#include "engine/TlsTrust.h"
#include "engine/wke.h"

#include <string>
#include <unordered_set>
#include <webkit2/webkit2.h>

namespace quilbex::engine {

class WebView;

class Engine {
public:
    // The single instance; it is never destroyed, because WebKit objects must
    // not be torn down during static destruction.
    static Engine& get();

    bool initialized() const { return m_initialized; }
    // Initialises GTK when the program has not; false when no display can be opened.
    bool initialize();

    // The shared context, created on first use with the storage settings known then.
    WebKitWebContext* web_context();
    bool has_web_context() const { return static_cast<bool>(m_context); }
    WebKitWebsiteDataManager* data_manager();

    // Storage directory for local storage and caches: takes effect only when
    // given before the context exists (WebKit fixes it at creation).
    void set_storage_directory(const std::string& path);
    // The cookie jar: a file, or a directory that gets "cookies.dat".
    void set_cookie_jar(const std::string& path);
    void set_cookies_enabled(bool enabled);
    // Removes every cookie; false when the store did not confirm it.
    bool clear_cookies();

    TlsTrust& trust() { return m_trust; }
    // Takes effect at once, and for every context made later.
    void set_network_proxy(const char* http, const char* https, const char* ignore_hosts);

    void add_view(WebView* view) { m_views.insert(view); }
    // When the last view is gone, the context is let go soon after (see
    // release_unused_context).
    void remove_view(WebView* view);
    WebView* find_view(wkeWebView handle) const;
    WebView* find_view(WebKitWebView* web_view) const;

    // While a view asks its program for a new window, views created by the
    // program are made related to this one (WebKit requires it).
    WebView* opener() const { return m_opener; }
    void set_opener(WebView* view) { m_opener = view; }

private:
    Engine() = default;
    // Drops the context and its data manager when no view is left, so that
    // WebKit ends its web and network processes (together some hundred
    // megabytes) instead of keeping them for the rest of the day. The next
    // view makes a new context with the same storage settings; persistent
    // cookies are on disk, session cookies end with the views.
    void release_unused_context();
    const std::string& private_directory();
    void apply_cookie_storage();
    // The file that holds the persistent cookies ("" when they are kept in
    // memory only).
    std::string cookie_store_file();
    // Removes the cookie file and SQLite's companions of it while no context
    // has it open; false when one of them could not be removed.
    bool remove_cookie_store();

    bool m_initialized = false;
    GRef<WebKitWebContext> m_context;
    GRef<WebKitWebsiteDataManager> m_data_manager;
    std::string m_storage_directory;
    std::string m_private_directory;
    std::string m_cookie_file;
    bool m_cookies_enabled = true;
    TlsTrust m_trust;
    NetworkProxy m_proxy;
    std::unordered_set<WebView*> m_views;
    WebView* m_opener = nullptr;
    bool m_release_pending = false;
};

// Turns a Windows-style path from the program into a local one: "\" becomes "/".
std::string local_path(std::string path);

}  // namespace quilbex::engine
