#pragma once
// The proxy list of InternetOpenA(INTERNET_OPEN_TYPE_PROXY): entries separated
// by spaces or ";", each "host:port" (for every scheme) or "scheme=host:port"
// (for that scheme only), optionally with "http://" before the host.
// Internal to this layer; exposed for its tests.

#include <string>
#include <string_view>

namespace quilbex::wininet {

// ASCII letters in lower case; scheme and host names compare that way.
std::string ascii_lower(std::string_view text);

// The proxy URL ("http://host:port") to use for a request of this scheme
// ("http" or "https"), or empty for a direct connection. An entry for the
// scheme wins over an entry without one.
std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme);

}  // namespace quilbex::wininet
