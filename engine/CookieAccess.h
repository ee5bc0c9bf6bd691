#pragma once
// Synchronous access to WebKit's cookie store (which answers asynchronously).

#include <cstdint>
#include <string>
#include <webkit2/webkit2.h>

namespace quilbex::engine {

// The cookies that WebKit would send to `uri`, as "name=value; name=value"
// in the store's order; "" when there are none, when `uri` is not an http(s)
// address or when the store does not answer in time.
std::string cookies_for_uri(WebKitCookieManager* manager, const std::string& uri);

// When the cookie `name` that WebKit would send to `uri` expires, in seconds
// since the epoch: 0 for a cookie that lasts as long as the session, -1 when
// there is no such cookie (or `uri` is no http(s) address, or the store does
// not answer in time). Of several cookies of that name, the first in the
// store's order counts, as it does in cookies_for_uri.
std::int64_t cookie_expiry_for_uri(WebKitCookieManager* manager, const std::string& uri, const std::string& name);

// Removes every cookie from the store; false when the store did not confirm in time.
bool clear_all_cookies(WebKitWebsiteDataManager* manager);

}  // namespace quilbex::engine
