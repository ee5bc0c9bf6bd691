#include "app/alerts/AlertTransfer.h"

#include "platform/wininet/NetworkSettings.h"
#include "platform/wininet/ProxyPolicy.h"

namespace quilbex::app {

namespace {

constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 30;

}  // namespace

AlertTransfer::AlertTransfer(const std::string& url, const char* protocols, bool meets_certificate) {
    // A plain-http address is taken only for this machine, where nobody
    // else reads the bytes on the way; a proxy would read them all.
    if (wininet::proxy_sees_clear_text(url)) {
        m_failure = kClearTextThroughProxy;
        return;
    }
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
    wininet::apply_network_settings(easy, url, meets_certificate, wininet::NetworkSettings{}, m_store);
}

std::string transfer_error(CURLcode code) {
    const char* text = wininet::curl().easy_strerror(code);
    return text ? text : "libcurl error " + std::to_string(static_cast<int>(code));
}

}  // namespace quilbex::app
