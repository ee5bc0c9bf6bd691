#include "platform/wininet/OpenSsl.h"

#include "platform/kernel/SymbolBinder.h"
#include "platform/wininet/Curl.h"

#include <cstdio>

namespace quilbex::wininet {

namespace {

OpenSslApi g_openssl{};

// Looked up through libcurl's handle, which searches libcurl and then the
// libraries it depends on: the store handed to a connection's context comes
// from the same OpenSSL as that context, whatever its file is called. A
// libcurl built on another TLS library lacks them, and nothing is bound.
bool bind_openssl() {
    if (!ensure_curl_initialised())
        return false;
    kernel::SymbolBinder bind{curl().library};
    bind(g_openssl.default_cert_dir_env, "X509_get_default_cert_dir_env");
    bind(g_openssl.default_cert_dir, "X509_get_default_cert_dir");
    bind(g_openssl.default_cert_file_env, "X509_get_default_cert_file_env");
    bind(g_openssl.default_cert_file, "X509_get_default_cert_file");
    bind(g_openssl.store_new, "X509_STORE_new");
    bind(g_openssl.store_free, "X509_STORE_free");
    bind(g_openssl.store_load_path, "X509_STORE_load_path");
    bind(g_openssl.store_load_file, "X509_STORE_load_file");
    bind(g_openssl.ctx_set1_cert_store, "SSL_CTX_set1_cert_store");
    // Said once per process: every HTTPS request fails from here on, and a
    // member would otherwise see nothing but "no answer".
    if (!bind.complete)
        std::fprintf(stderr,
                     "quilbex: 所用的 libcurl 缺少证书信任所需的函数 %s（基于 OpenSSL 的 libcurl4 才有），"
                     "无法发出 HTTPS 请求。\n",
                     bind.first_missing);
    return bind.complete;
}

}  // namespace

const OpenSslApi* openssl() {
    static const bool bound = bind_openssl();
    return bound ? &g_openssl : nullptr;
}

}  // namespace quilbex::wininet
