#pragma once
// The four local services: the forum's web site, the forum's mobile API, the
// quote service and the account site. Each is a request handler over the
// shared state below; the Simulator puts each on its own HTTPS port.

#include "sim/HttpMessage.h"
#include "sim/RequestLog.h"
#include "sim/Scenario.h"

#include <mutex>
#include <set>
#include <string>

namespace quilbex::sim {

// The fixed request signature that the draw request carries.
inline constexpr const char* kDrawSignature = "3f1c9a0e5b7d2468ace013579bdf2468ace01357";

struct SimState {
    Scenario scenario;
    RequestLog log;
    // One-time tickets that the account site hands to the forum's callback.
    std::mutex tickets_mutex;
    std::set<std::string> tickets;
    std::string forum_origin;  // "https://127.0.0.1:<port>", for links in pages

    std::string issue_ticket();
    bool redeem_ticket(const std::string& ticket);
};

Response forum_site(SimState& state, const Request& request);
Response mobile_api(SimState& state, const Request& request);
Response quote_service(SimState& state, const Request& request);
Response account_site(SimState& state, const Request& request);

// Helpers shared by the services.
// The value of the cookie item with exactly this name, or nothing.
std::optional<std::string> cookie_item(const Request& request, const std::string& name);
// True when the request carries the member's UM_distinctid cookie.
bool is_logged_in(SimState& state, const Request& request);
// A JSON string literal; with `escape_non_ascii` every non-ASCII character
// becomes "\uXXXX" (UTF-16, surrogate pairs above U+FFFF).
std::string json_string(const std::string& utf8, bool escape_non_ascii);
// Percent-encodes every byte outside A-Z a-z 0-9 - _ . ~ with upper-case hex.
std::string percent_encode(const std::string& bytes);
std::string html_escape(const std::string& text);

}  // namespace quilbex::sim
