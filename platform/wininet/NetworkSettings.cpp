#include "platform/wininet/NetworkSettings.h"

#include "platform/wininet/Curl.h"
#include "platform/wininet/OpenSsl.h"
#include "platform/wininet/ProxyPolicy.h"

namespace quilbex::wininet {

namespace {

// Gives the connection the shared store of trusted authorities. A store
// exists only once OpenSSL's functions are bound.
CURLcode use_trust_store(CURL*, void* ssl_ctx, void* user) {
    auto* store = static_cast<SharedTrustStore*>(user);
    if (!*store)
        return CURLE_SSL_CACERT_BADFILE;
    openssl()->ctx_set1_cert_store(static_cast<SSL_CTX*>(ssl_ctx), store->get());
    return CURLE_OK;
}

void apply_trust(CURL* easy, const TlsTrust& trust, bool meets_certificate, SharedTrustStore& store) {
    if (trust.insecure) {
        curl().easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl().easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
        return;
    }
    curl().easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl().easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!meets_certificate)
        return;
    // libcurl loads no authorities of its own; the shared store has them all.
    curl().easy_setopt(easy, CURLOPT_CAINFO, nullptr);
    curl().easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    store = trust_store_for(trust.extra_ca_file);
    curl().easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, use_trust_store);
    curl().easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &store);
}

}  // namespace

void apply_network_settings(CURL* easy, const std::string& url, bool meets_certificate, const NetworkSettings& settings,
                            SharedTrustStore& store) {
    apply_trust(easy, settings.trust, meets_certificate, store);
    // The decision is made here, not by libcurl from the environment: the
    // browser engine gets the same one (engine_proxy), and a plain-http
    // alert is refused by the same function. An empty proxy is libcurl's
    // word for "direct, whatever the environment says", and an empty
    // exemption list keeps it from applying no_proxy a second time to a
    // proxy the caller chose.
    std::string proxy = settings.proxy ? *settings.proxy : proxy_for_url(url);
    curl().easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    curl().easy_setopt(easy, CURLOPT_NOPROXY, "");
}

}  // namespace quilbex::wininet
