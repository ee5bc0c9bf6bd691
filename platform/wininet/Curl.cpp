#include "platform/wininet/Curl.h"

#include "platform/kernel/SymbolBinder.h"
#include "platform/wininet/WinInetErrors.h"

#include <dlfcn.h>

namespace quilbex::wininet {

namespace {

CurlApi g_curl{};

// Opens libcurl and resolves every function; false when any is missing.
bool load_curl() {
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    // Kept open for the rest of the process: transfers on worker threads may
    // outlive every owner.
    g_curl.library = library;
    kernel::SymbolBinder bind{library};
    bind(g_curl.global_init, "curl_global_init");
    bind(g_curl.easy_init, "curl_easy_init");
    bind(g_curl.easy_cleanup, "curl_easy_cleanup");
    bind(g_curl.easy_setopt, "curl_easy_setopt");
    bind(g_curl.easy_perform, "curl_easy_perform");
    bind(g_curl.easy_getinfo, "curl_easy_getinfo");
    bind(g_curl.easy_strerror, "curl_easy_strerror");
    bind(g_curl.slist_append, "curl_slist_append");
    bind(g_curl.slist_free_all, "curl_slist_free_all");
    bind(g_curl.share_init, "curl_share_init");
    bind(g_curl.share_setopt, "curl_share_setopt");
    bind(g_curl.share_cleanup, "curl_share_cleanup");
    return bind.complete && g_curl.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

}  // namespace

bool ensure_curl_initialised() {
    static const bool loaded = load_curl();
    return loaded;
}

const CurlApi& curl() { return g_curl; }

win::DWORD map_curl_error(CURLcode code) {
    switch (code) {
    case CURLE_OK: return ERROR_SUCCESS;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE: return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_WEIRD_SERVER_REPLY: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_TOO_MANY_REDIRECTS: return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

bool append_header(CurlSlistPtr& list, const char* line) {
    curl_slist* grown = curl().slist_append(list.get(), line);
    if (!grown)
        return false;
    list.release();
    list.reset(grown);
    return true;
}

}  // namespace quilbex::wininet
