#include "engine/NetworkProxy.h"

#include <memory>

namespace quilbex::engine {

namespace {

struct ProxySettingsDeleter {
    void operator()(WebKitNetworkProxySettings* settings) const { webkit_network_proxy_settings_free(settings); }
};

}  // namespace

void NetworkProxy::set(const char* http, const char* https, const char* ignore_hosts) {
    m_set = true;
    m_http = http ? http : "";
    m_https = https ? https : "";
    m_ignore_hosts.clear();
    std::string list = ignore_hosts ? ignore_hosts : "";
    for (std::size_t pos = 0; pos < list.size();) {
        std::size_t end = list.find(',', pos);
        if (end == std::string::npos)
            end = list.size();
        if (end > pos)
            m_ignore_hosts.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
}

void NetworkProxy::apply_to(WebKitWebsiteDataManager* manager) const {
    if (!m_set || !manager)
        return;
    if (m_http.empty() && m_https.empty()) {
        webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_NO_PROXY, nullptr);
        return;
    }
    std::vector<const char*> ignore;
    for (const std::string& host : m_ignore_hosts)
        ignore.push_back(host.c_str());
    ignore.push_back(nullptr);
    // No default proxy: a scheme without one of its own goes direct.
    std::unique_ptr<WebKitNetworkProxySettings, ProxySettingsDeleter> settings(
        webkit_network_proxy_settings_new(nullptr, ignore.data()));
    if (!m_http.empty())
        webkit_network_proxy_settings_add_proxy_for_scheme(settings.get(), "http", m_http.c_str());
    if (!m_https.empty())
        webkit_network_proxy_settings_add_proxy_for_scheme(settings.get(), "https", m_https.c_str());
    webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings.get());
}

}  // namespace quilbex::engine
