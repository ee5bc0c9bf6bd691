#pragma once
// Which connections go through a proxy. The program has no proxy setting of
// its own: it follows the environment's variables as libcurl reads them, and
// every user of the network (the WinInet layer, the alerts, the browser
// engine) asks this one place, so that they all connect the same way.
//
//   variable                      applies to
//   ----------------------------  ----------------------------------------
//   <scheme>_proxy                URLs of that scheme (http_proxy, https_proxy)
//   <SCHEME>_PROXY                the same, except HTTP_PROXY, which libcurl
//                                 ignores (a web server's CGI programs get
//                                 it from a request's "Proxy:" header)
//   all_proxy, ALL_PROXY          any scheme without a variable of its own
//   no_proxy, NO_PROXY            hosts reached directly: "*" for all, or a
//                                 list separated by commas: a name matches
//                                 itself and its subdomains (a leading "."
//                                 changes nothing), an address matches
//                                 itself, "address/bits" a range
//
// The lower-case form wins over the upper-case one; an empty value counts as
// unset. A proxy given without a scheme is an HTTP proxy.

#include <string>
#include <string_view>
#include <vector>

namespace quilbex::wininet {

// The proxy that carries a request to `url`, as the environment says, or the
// empty text for a direct connection.
std::string proxy_for_url(std::string_view url);

// Whether a request to `url` would travel in clear text through a proxy: a
// plain http URL that proxy_for_url sends to a proxy.
bool proxy_sees_clear_text(std::string_view url);

// The same decision in the form a browser engine's proxy settings take (the
// ignore-host list of GLib's simple proxy resolver). Proxies are URIs with
// their scheme ("http://host:port"); empty means direct for that scheme.
struct EngineProxy {
    std::string http;
    std::string https;
    std::vector<std::string> ignore_hosts;
    bool direct() const { return http.empty() && https.empty(); }
    // The ignore-host list separated by commas, as the engine takes it.
    std::string ignore_list() const;
};
EngineProxy engine_proxy();

// Internal to this layer; exposed for its tests.
namespace proxy_detail {
// Whether the exemption list (no_proxy's value) names `host` (IPv6
// addresses without brackets).
bool is_exempt(std::string_view no_proxy, std::string_view host);
// The host of a URL in lower case, without port, user or IPv6 brackets.
std::string host_of(std::string_view url);
}  // namespace proxy_detail

}  // namespace quilbex::wininet
