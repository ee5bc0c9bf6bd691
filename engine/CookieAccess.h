#pragma once
// Synchronous access to WebKit's cookie store (which answers asynchronously).

#include <string>
#include <webkit2/webkit2.h>

namespace quilbex::engine {

// The cookies that WebKit would send to `uri`, as "name=value; name=value"
// in the store's order; "" when there are none, when `uri` is not an http(s)
// address or when the store does not answer in time.
std::string cookies_for_uri(WebKitCookieManager* manager, const std::string& uri);

// Removes every cookie from the store; false when the store did not confirm in time.
bool clear_all_cookies(WebKitWebsiteDataManager* manager);

}  // namespace quilbex::engine
