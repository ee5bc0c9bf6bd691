#include "app/alerts/AlertTransfer.h"

#include "platform/wininet/CurlTls.h"

namespace quilbex::app {

namespace {

constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 30;

}  // namespace

AlertTransfer::AlertTransfer(const std::string& url, const char* protocols, bool meets_certificate) {
    if (!wininet::ensure_curl_initialised())
        return;
    m_easy.reset(wininet::curl().easy_init());
    if (!m_easy)
        return;
    CURL* easy = m_easy.get();
    const auto& curl = wininet::curl();
    curl.easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl.easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols);
    curl.easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl.easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl.easy_setopt(easy, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    wininet::configure_curl_tls(easy, wininet::tls_trust(), meets_certificate, m_store);
}

std::string transfer_error(CURLcode code) {
    const char* text = wininet::curl().easy_strerror(code);
    return text ? text : "libcurl error " + std::to_string(static_cast<int>(code));
}

}  // namespace quilbex::app
