#include "engine/Engine.h"

#include "engine/CookieAccess.h"
#include "engine/GlEnvironment.h"
#include "engine/WebView.h"
#include "platform/kernel/WorkingFolderName.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <gtk/gtk.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::engine {

namespace {

// The private data folder, remembered for removal when the process ends.
std::string& folder_to_remove() {
    static std::string* path = new std::string;
    return *path;
}

void remove_private_folder() {
    const std::string& path = folder_to_remove();
    if (path.empty())
        return;
    nftw(
        path.c_str(),
        [](const char* file, const struct stat*, int, struct FTW*) { return std::remove(file) == 0 ? 0 : 0; }, 16,
        FTW_DEPTH | FTW_PHYS);
}

void on_download_started(WebKitWebContext*, WebKitDownload* download, gpointer) {
    WebView* view = Engine::get().find_view(webkit_download_get_web_view(download));
    if (view)
        view->handle_download(download);
    else
        webkit_download_cancel(download);
}

}  // namespace

std::string local_path(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

Engine& Engine::get() {
    static Engine* engine = new Engine;
    return *engine;
}

bool Engine::initialize() {
    if (!m_initialized) {
        // WebKit reads these when its first view and web process are made.
        keep_gl_out_of_the_process();
        m_initialized = gtk_init_check(nullptr, nullptr);
    }
    return m_initialized;
}

namespace {

// The working folder: "wke-<host>-<pid>-<start>" in the folder the program
// names (the member's cache folder), else "quilbex-wke-..." in the temporary
// folder; a later start of the program removes either should this process
// die without removing it. Where neither can be made (a name already taken),
// a fresh folder for temporary files.
std::string make_working_folder() {
    const char* parent = std::getenv(kernel::kWorkingFolderVariable);
    auto start = kernel::process_start_time(::getpid());
    if (parent && *parent == '/' && start) {
        std::string dir = std::string(parent) + "/" + kernel::working_folder_name(::getpid(), *start);
        if (g_mkdir_with_parents(parent, 0700) == 0 && ::mkdir(dir.c_str(), 0700) == 0)
            return dir;
    }
    if (start) {
        std::string dir = kernel::temporary_working_folder(::getpid(), *start);
        if (::mkdir(dir.c_str(), 0700) == 0)
            return dir;
    }
    GError* raw_error = nullptr;
    GUniqueChars dir(g_dir_make_tmp("quilbex-wke-XXXXXX", &raw_error));
    GUniqueError error(raw_error);
    return dir ? dir.get() : "";
}

}  // namespace

const std::string& Engine::private_directory() {
    if (m_private_directory.empty()) {
        std::string dir = make_working_folder();
        if (!dir.empty()) {
            m_private_directory = dir;
            folder_to_remove() = m_private_directory;
            std::atexit(remove_private_folder);
            // The program ends through quick_exit so that worker threads are
            // not met by static destructors; the folder goes then as well.
            std::at_quick_exit(remove_private_folder);
        }
    }
    return m_private_directory;
}

WebKitWebsiteDataManager* Engine::data_manager() {
    web_context();
    return m_data_manager.get();
}

WebKitWebContext* Engine::web_context() {
    if (m_context)
        return m_context.get();
    const std::string& base = m_storage_directory.empty() ? private_directory() : m_storage_directory;
    // A data manager on disk (never the user's home folder): an ephemeral one
    // could not take a cookie jar later.
    m_data_manager = GRef<WebKitWebsiteDataManager>::adopt(
        WEBKIT_WEBSITE_DATA_MANAGER(g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "base-data-directory", base.c_str(),
                                                 "base-cache-directory", base.c_str(), nullptr)));
    webkit_website_data_manager_set_tls_errors_policy(m_data_manager.get(), WEBKIT_TLS_ERRORS_POLICY_FAIL);
    m_proxy.apply_to(m_data_manager.get());
    m_context = GRef<WebKitWebContext>::adopt(WEBKIT_WEB_CONTEXT(
        g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", m_data_manager.get(), nullptr)));
    g_signal_connect(m_context.get(), "download-started", G_CALLBACK(on_download_started), nullptr);
    apply_cookie_storage();
    set_cookies_enabled(m_cookies_enabled);
    return m_context.get();
}

void Engine::set_network_proxy(const char* http, const char* https, const char* ignore_hosts) {
    m_proxy.set(http, https, ignore_hosts);
    m_proxy.apply_to(m_data_manager.get());
}

void Engine::set_storage_directory(const std::string& path) {
    std::string dir = local_path(path);
    if (dir.empty())
        return;
    g_mkdir_with_parents(dir.c_str(), 0700);
    if (!m_context)
        m_storage_directory = dir;
}

void Engine::set_cookie_jar(const std::string& path) {
    std::string file = local_path(path);
    if (file.empty())
        return;
    if (file.back() == '/' || g_file_test(file.c_str(), G_FILE_TEST_IS_DIR)) {
        if (file.back() != '/')
            file += '/';
        file += "cookies.dat";
    }
    GUniqueChars parent(g_path_get_dirname(file.c_str()));
    g_mkdir_with_parents(parent.get(), 0700);
    m_cookie_file = file;
    if (m_context)
        apply_cookie_storage();
}

std::string Engine::cookie_store_file() {
    if (!m_cookie_file.empty())
        return m_cookie_file;
    return private_directory().empty() ? std::string() : private_directory() + "/cookies.dat";
}

void Engine::apply_cookie_storage() {
    const std::string file = cookie_store_file();
    if (file.empty())
        return;
    WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(m_data_manager.get());
    webkit_cookie_manager_set_persistent_storage(cookies, file.c_str(), WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
}

void Engine::set_cookies_enabled(bool enabled) {
    m_cookies_enabled = enabled;
    if (!m_context)
        return;
    WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(m_data_manager.get());
    webkit_cookie_manager_set_accept_policy(cookies, enabled ? WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY
                                                             : WEBKIT_COOKIE_POLICY_ACCEPT_NEVER);
}

bool Engine::clear_cookies() {
    // Before WebKit has opened the store (the first view, or the first after
    // the context was let go), clearing it is removing its file: asking WebKit
    // would start its network process only to wait for the answer, and the
    // page that follows would then wait for its web process on top of that.
    if (!m_context && remove_cookie_store())
        return true;
    return clear_all_cookies(data_manager());
}

bool Engine::remove_cookie_store() {
    const std::string file = cookie_store_file();
    if (file.empty())
        return true;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        if (::unlink((file + suffix).c_str()) != 0 && errno != ENOENT)
            return false;
    }
    return true;
}

void Engine::remove_view(WebView* view) {
    m_views.erase(view);
    if (!m_views.empty() || !m_context || m_release_pending)
        return;
    // Not while the view is being torn down: from the main loop, and only if
    // no new view has come in the meantime.
    m_release_pending = true;
    g_idle_add(
        [](gpointer) -> gboolean {
            Engine::get().release_unused_context();
            return G_SOURCE_REMOVE;
        },
        nullptr);
}

void Engine::release_unused_context() {
    m_release_pending = false;
    if (!m_views.empty() || !m_context)
        return;
    g_signal_handlers_disconnect_by_func(m_context.get(), reinterpret_cast<gpointer>(on_download_started), nullptr);
    m_context.reset();
    m_data_manager.reset();
    // The views' pages and caches were freed on the heap; hand the pages
    // back to the system instead of keeping them for a page that may never
    // come again.
    malloc_trim(0);
}

WebView* Engine::find_view(wkeWebView handle) const {
    auto* candidate = reinterpret_cast<WebView*>(handle);
    return m_views.count(candidate) ? candidate : nullptr;
}

WebView* Engine::find_view(WebKitWebView* web_view) const {
    if (!web_view)
        return nullptr;
    for (WebView* view : m_views) {
        if (view->web_view() == web_view)
            return view;
    }
    return nullptr;
}

}  // namespace quilbex::engine
