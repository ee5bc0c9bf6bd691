#pragma once
// The proxy settings of the engine's network process, as the program hands
// them over: a proxy for http and one for https (a URI, or empty for a
// direct connection) and the hosts always reached directly. Until the
// program sets them, WebKit follows the desktop's own settings.

#include <string>
#include <vector>
#include <webkit2/webkit2.h>

namespace quilbex::engine {

class NetworkProxy {
public:
    // `ignore_hosts` separated by commas, in the form GLib's simple proxy
    // resolver reads (a name with its subdomains, an address, a range).
    void set(const char* http, const char* https, const char* ignore_hosts);
    // Gives the settings to `manager`; nothing when none were set.
    void apply_to(WebKitWebsiteDataManager* manager) const;

private:
    bool m_set = false;
    std::string m_http;
    std::string m_https;
    std::vector<std::string> m_ignore_hosts;
};

}  // namespace quilbex::engine
