#include "platform/wininet/ProxyPolicy.h"

#include "platform/wininet/ProxyList.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace quilbex::wininet {

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// A variable's value; empty when unset or set to nothing, as libcurl reads it.
std::string variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string first_set(const std::string& a, const std::string& b) {
    std::string value = variable(a);
    return value.empty() ? variable(b) : value;
}

std::string scheme_of(std::string_view url) {
    auto end = url.find("://");
    return end == std::string_view::npos ? "http" : ascii_lower(url.substr(0, end));
}

std::string no_proxy_list() { return first_set("no_proxy", "NO_PROXY"); }

// The proxy the environment names for URLs of `scheme`, as given.
std::string scheme_proxy(const std::string& scheme) {
    std::string name = scheme + "_proxy";
    std::string value = variable(name);
    if (value.empty() && scheme != "http")
        value = variable(upper(name));
    return value.empty() ? first_set("all_proxy", "ALL_PROXY") : value;
}

std::vector<std::string_view> tokens_of(std::string_view list) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find_first_of(", \t", pos);
        if (end == std::string_view::npos)
            end = list.size();
        if (end > pos)
            out.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

std::string_view trim_dots(std::string_view s) {
    if (!s.empty() && s.back() == '.')
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '.')
        s.remove_prefix(1);
    return s;
}

// "address" or "address/bits" of the same family as `host` (raw bytes).
bool address_matches(int family, const unsigned char* host, std::string_view token) {
    std::string text(token);
    std::size_t max_bits = family == AF_INET ? 32 : 128;
    std::size_t bits = max_bits;
    if (auto slash = text.find('/'); slash != std::string::npos) {
        bits = static_cast<std::size_t>(std::atoi(text.c_str() + slash + 1));
        if (bits == 0 || bits > max_bits)
            bits = max_bits;
        text.resize(slash);
    }
    unsigned char range[16];
    if (::inet_pton(family, text.c_str(), range) != 1)
        return false;
    std::size_t whole = bits / 8;
    if (std::memcmp(host, range, whole) != 0)
        return false;
    if (bits % 8 == 0)
        return true;
    auto mask = static_cast<unsigned char>(0xff << (8 - bits % 8));
    return (host[whole] & mask) == (range[whole] & mask);
}

bool name_matches(std::string_view host, std::string_view token) {
    token = trim_dots(token);
    if (token.empty())
        return false;
    std::string name = ascii_lower(token);
    if (host.size() == name.size())
        return host == name;
    return host.size() > name.size() && host.substr(host.size() - name.size()) == name &&
           host[host.size() - name.size() - 1] == '.';
}

// A proxy as a URI with its scheme, as GLib's resolver takes it.
std::string as_uri(const std::string& proxy) {
    if (proxy.empty())
        return proxy;
    auto colon = proxy.find("://");
    if (colon == std::string::npos)
        return "http://" + proxy;
    // GLib's SOCKS 5 client always lets the proxy resolve the name.
    if (ascii_lower(proxy.substr(0, colon)) == "socks5h")
        return "socks5" + proxy.substr(colon);
    return proxy;
}

}  // namespace

namespace proxy_detail {

std::string host_of(std::string_view url) {
    auto start = url.find("://");
    url = start == std::string_view::npos ? url : url.substr(start + 3);
    url = url.substr(0, url.find_first_of("/?#"));
    if (auto at = url.rfind('@'); at != std::string_view::npos)
        url = url.substr(at + 1);
    if (!url.empty() && url.front() == '[') {
        auto close = url.find(']');
        return close == std::string_view::npos ? std::string() : ascii_lower(url.substr(1, close - 1));
    }
    return ascii_lower(url.substr(0, url.rfind(':')));
}

bool is_exempt(std::string_view no_proxy, std::string_view host_name) {
    if (host_name.empty() || no_proxy.empty())
        return false;
    if (no_proxy == "*")
        return true;
    const std::string text = ascii_lower(host_name);
    std::string_view host = text;
    unsigned char address[16];
    int family = ::inet_pton(AF_INET, text.c_str(), address) == 1    ? AF_INET
                 : ::inet_pton(AF_INET6, text.c_str(), address) == 1 ? AF_INET6
                                                                     : 0;
    if (family == 0 && host.back() == '.')
        host.remove_suffix(1);
    for (std::string_view token : tokens_of(no_proxy)) {
        bool match = family != 0 ? address_matches(family, address, token) : name_matches(host, token);
        if (match)
            return true;
    }
    return false;
}

}  // namespace proxy_detail

std::string proxy_for_url(std::string_view url) {
    if (proxy_detail::is_exempt(no_proxy_list(), proxy_detail::host_of(url)))
        return {};
    return scheme_proxy(scheme_of(url));
}

bool proxy_sees_clear_text(std::string_view url) { return scheme_of(url) == "http" && !proxy_for_url(url).empty(); }

std::string EngineProxy::ignore_list() const {
    std::string list;
    for (const std::string& host : ignore_hosts)
        list += (list.empty() ? "" : ",") + host;
    return list;
}

EngineProxy engine_proxy() {
    const std::string no_proxy = no_proxy_list();
    if (no_proxy == "*")
        return {};
    EngineProxy out{as_uri(scheme_proxy("http")), as_uri(scheme_proxy("https")), {}};
    for (std::string_view token : tokens_of(no_proxy)) {
        // GLib would read a port, a bracket or a wild card in an entry where
        // libcurl never matches such an entry: leave those out, as curl does.
        bool address6 = std::count(token.begin(), token.end(), ':') > 1;
        if (token.find_first_of("[]*") != std::string_view::npos || (!address6 && token.find(':') != token.npos))
            continue;
        if (std::string_view name = address6 ? token : trim_dots(token); !name.empty())
            out.ignore_hosts.emplace_back(ascii_lower(name));
    }
    return out;
}

}  // namespace quilbex::wininet
