#include "platform/wininet/CurlTls.h"

#include "platform/wininet/Curl.h"
#include "platform/wininet/OpenSsl.h"

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

}  // namespace

void configure_curl_tls(CURL* easy, const TlsTrust& trust, bool meets_certificate, SharedTrustStore& store) {
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

}  // namespace quilbex::wininet
