#include "platform/wininet/HostCheck.h"

#include "platform/wininet/Curl.h"
#include "platform/wininet/NetworkSettings.h"

#include <cerrno>

namespace quilbex::wininet {

namespace {

// OpenSSL's verify results that name a fault of their own: a certificate
// past its end date (X509_V_ERR_CERT_HAS_EXPIRED) and one whose name does not
// match (X509_V_ERR_HOSTNAME_MISMATCH). libcurl checks the name itself; when
// that check fails it reports the result as 1 (X509_V_ERR_UNSPECIFIED), or 0
// in older releases, whatever the chain's own result was.
constexpr long kVerifyExpired = 10;
constexpr long kVerifyNameMismatch = 62;
constexpr long kVerifyOk = 0;
constexpr long kVerifyUnspecified = 1;

HostFault certificate_fault(CURL* easy) {
    long result = -1;
    curl().easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &result);
    if (result == kVerifyExpired)
        return HostFault::certificate_expired;
    if (result == kVerifyOk || result == kVerifyUnspecified || result == kVerifyNameMismatch)
        return HostFault::certificate_wrong_name;
    return HostFault::certificate_untrusted;
}

HostFault fault_of(CURL* easy, CURLcode code) {
    switch (code) {
    case CURLE_OK: return HostFault::none;
    case CURLE_COULDNT_RESOLVE_HOST: return HostFault::name_unresolved;
    case CURLE_OPERATION_TIMEDOUT: return HostFault::timeout;
    case CURLE_COULDNT_CONNECT: {
        long os_error = 0;
        curl().easy_getinfo(easy, CURLINFO_OS_ERRNO, &os_error);
        return os_error == ECONNREFUSED ? HostFault::refused : HostFault::unreachable;
    }
    case CURLE_PEER_FAILED_VERIFICATION: return certificate_fault(easy);
    default: return HostFault::tls_failed;
    }
}

}  // namespace

HostCheck check_host(const std::string& host, const TlsTrust& trust, std::chrono::milliseconds timeout) {
    if (!ensure_curl_initialised())
        return {HostFault::no_library, "libcurl"};
    CurlEasyPtr easy(curl().easy_init());
    if (!easy)
        return {HostFault::no_library, "curl_easy_init"};
    char error[CURL_ERROR_SIZE] = {};
    const std::string url = "https://" + host + "/";
    curl().easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl().easy_setopt(easy.get(), CURLOPT_CONNECT_ONLY, 1L);
    curl().easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl().easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl().easy_setopt(easy.get(), CURLOPT_ERRORBUFFER, error);
    // The way out is the program's own: the environment's proxy policy.
    SharedTrustStore store;
    apply_network_settings(easy.get(), url, true, NetworkSettings{trust, std::nullopt}, store);
    CURLcode code = curl().easy_perform(easy.get());
    HostCheck check{fault_of(easy.get(), code), {}};
    if (check.fault != HostFault::none)
        check.detail = error[0] ? error : curl().easy_strerror(code);
    return check;
}

}  // namespace quilbex::wininet
