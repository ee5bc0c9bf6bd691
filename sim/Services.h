#pragma once
// The four local services: the forum's web site, the forum's mobile API, the
// quote service and the account site. Each is a request handler over the
// shared state below; the Simulator puts each on its own HTTPS port.

#include "sim/HttpMessage.h"
#include "sim/RequestLog.h"
#include "sim/Scenario.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace quilbex::sim {

// The fixed request signature that the draw request carries.
inline constexpr const char* kDrawSignature = "3f1c9a0e5b7d2468ace013579bdf2468ace01357";
// The agents the client sends: the desktop one for pages and quotes, the
// mobile one for the sign action and the draw.
inline constexpr const char* kDesktopAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 Safari/537.36";
inline constexpr const char* kMobileAgent =
    "Mozilla/5.0 (Linux; U; Android 8.1.0; zh-cn; BLA-AL00 Build/HUAWEIBLA-AL00) AppleWebKit/537.36 (KHTML, like "
    "Gecko) Version/4.0 Chrome/57.0.2987.132 MQQBrowser/8.9 Mobile Safari/537.36";

struct SimState {
    Scenario scenario;
    RequestLog log;
    std::string forum_origin;  // "https://127.0.0.1:<port>", for links in pages
    // The port each service listens on, set once they all listen; the Host
    // check compares against it.
    std::atomic<std::uint16_t> forum_port{0}, api_port{0}, quote_port{0}, account_port{0};

    // One-time tickets that the account site hands to the forum's callback.
    std::string issue_ticket();
    bool redeem_ticket(const std::string& ticket);

    // Forum sessions, keyed by their UM_distinctid value. The scenario's
    // `distinctid` names one that exists from the start, with the scenario's
    // `formhash` as its token; each login opens another with random values.
    std::string open_forum_session();
    // The session's form token, or nothing when there is no such session.
    std::optional<std::string> forum_session_token(const std::string& id);
    // Records a draw of the member at `now_us` unless it follows that
    // member's last recorded draw by less than `gap_us`; false then.
    bool take_draw_slot(const std::string& id, std::int64_t now_us, std::int64_t gap_us);

    // Account-site sessions: false when not logged in, true once logged in.
    std::string open_account_session();
    std::optional<bool> account_session(const std::string& id);
    void log_in_account_session(const std::string& id);

    // Forgets every session, ticket and draw time (the scenario's reset).
    void reset_sessions();

private:
    std::mutex m_mutex;
    std::set<std::string> m_tickets;
    std::map<std::string, std::string> m_forum_sessions;  // id -> form token
    std::map<std::string, std::int64_t> m_last_draw_us;  // id -> time of the last accepted draw
    std::map<std::string, bool> m_account_sessions;  // id -> logged in
};

Response forum_site(SimState& state, const Request& request);
Response mobile_api(SimState& state, const Request& request);
Response quote_service(SimState& state, const Request& request);
Response account_site(SimState& state, const Request& request);

// Helpers shared by the services.
// The value of the cookie item with exactly this name, or nothing.
std::optional<std::string> cookie_item(const Request& request, const std::string& name);
// The request's forum session id (its UM_distinctid cookie) when that names a
// session of the forum; nothing otherwise.
std::optional<std::string> forum_session(SimState& state, const Request& request);
inline bool is_logged_in(SimState& state, const Request& request) { return forum_session(state, request).has_value(); }
// The random hexadecimal text of `digits` digits.
std::string random_hex(int digits);
// The Set-Cookie value for a forum or account cookie: with Path, Secure and
// HttpOnly (and Domain when `host` is a name, not an address) unless the
// scenario turns the attributes off.
std::string cookie_line(SimState& state, const std::string& name, const std::string& value, const std::string& host);
// True when `utf8` is well-formed UTF-8 (shortest forms, no surrogates).
bool is_utf8(const std::string& utf8);
// A JSON string literal; with `escape_non_ascii` every non-ASCII character
// becomes "\uXXXX" (UTF-16, surrogate pairs above U+FFFF).
std::string json_string(const std::string& utf8, bool escape_non_ascii);
// Percent-encodes every byte outside A-Z a-z 0-9 - _ . ~ with upper-case hex.
std::string percent_encode(const std::string& bytes);
std::string html_escape(const std::string& text);

}  // namespace quilbex::sim
