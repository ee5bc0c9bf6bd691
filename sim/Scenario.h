#pragma once
// What the local services answer, settable from the command line
// ("--scenario key=value"), by a control request (POST /scenario with
// "key=value&...") or in process (Scenario::set). Every key starts at its
// default on /reset.
//
// The defaults are strict: the services refuse what the real ones refuse.
// A test that needs an edge case switches the one rule it needs off (a flag
// to 0) or forces one answer, and nothing else.
//
//   key             default              meaning
//   user            张三                  the member's user name (UTF-8)
//   password        secret               the member's password on the account site
//   distinctid      sim-member-0001      UM_distinctid of a forum session that exists from the
//                                        start (a member who logged in on an earlier day);
//                                        empty: none. Logins open further sessions, each with a
//                                        fresh random id and form token.
//   formhash        1a2b3c4d             the form token of that first session
//   sign            daily                daily: success once, then already signed;
//                                        success | already | retry | not_logged_in
//   draws           3                    draws that win before the draws are used up
//   too_fast        0                    1: every draw is answered "too fast"
//   quote           生活不止眼前的苟且     the quote at data.title
//   quote_mode      json                 json | no_data (no data object) | not_json
//   draw_reply      (empty)              when set, the whole body of every draw reply to a member
//                                        (sent as given, UTF-8); empty: the usual replies
//   unanswered      0                    the first N requests to the forum get no answer (the
//                                        connection is closed at once)
//   guest_reply     page                 what a request without a forum session gets: page (a
//                                        page, or a JSON error text from the API) | empty (an
//                                        empty body)
//   login_max_age   0                    seconds the forum's login cookie (BBS_UNAME) of a new
//                                        login lasts (Max-Age); 0: a session cookie
//
// Strict rules, each on (1) by default and switched off with 0:
//   draw_gap_ms     4500                 a member's draw less than this many ms after that
//                                        member's previous draw is answered "too fast"; 0: off
//   check_host      1                    the Host header must name the service's own address
//   check_length    1                    a POST without Content-Length gets 411; a draw's body
//                                        must be empty
//   check_headers   1                    the sign action and the draw need the mobile agent;
//                                        the sign action's Referer must be its own address
//   check_encoding  1                    todaysay must be percent-encoded UTF-8 and not empty
//   check_callback  1                    the account site redirects only to the forum's home
//   account_session 1                    the account site's login form needs the session cookie
//                                        its page set; a logged-in session skips the form
//   cookie_attrs    1                    forum cookies carry Path, Secure, HttpOnly (and Domain
//                                        when the forum is reached by a host name)
//   chunked         1                    the sign page, the sign replies and the draw replies
//                                        are sent with chunked transfer coding
//   raw_msg         1                    "used up" and "too fast" draw replies carry raw UTF-8
//                                        in msg instead of "\u" escapes
//
// Thread-safe: services on several connection threads read it while a control
// request changes it.

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace quilbex::sim {

class Scenario {
public:
    Scenario();

    // Sets a known key; false for an unknown key or a value of the wrong form.
    bool set(const std::string& key, const std::string& value);
    // Accepts "key=value".
    bool set_assignment(const std::string& assignment);
    std::string get(const std::string& key) const;
    int get_int(const std::string& key) const;
    // True when the flag `key` is on (any value but "0").
    bool on(const std::string& key) const { return get(key) != "0"; }
    std::string describe() const;  // "key=value" lines

    // Per-run counters, reset with the scenario.
    int take_draw();  // the 1-based number of this draw
    bool take_sign();  // true for the first successful sign of the "day"
    bool take_unanswered();  // true while requests are still to go unanswered
    void reset();

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_values;
    int m_draws_made = 0;
    int m_unanswered_taken = 0;
    bool m_signed = false;
};

}  // namespace quilbex::sim
