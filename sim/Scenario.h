#pragma once
// What the local services answer, settable from the command line
// ("--scenario key=value") or by a control request. Keys:
//
//   key         default              meaning
//   user        张三                  the member's user name (UTF-8)
//   password    secret               the member's password on the account site
//   distinctid  sim-member-0001      the UM_distinctid value that marks a logged-in member
//   formhash    1a2b3c4d             the sign page's form token
//   sign        daily                daily: success once, then already signed;
//                                    success | already | retry | not_logged_in
//   draws       3                    draws that win before the draws are used up
//   too_fast    0                    1: every draw is answered "too fast"
//   quote       生活不止眼前的苟且     the quote at data.title
//   quote_mode  json                 json | no_data (no data object) | not_json
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
    std::string describe() const;  // "key=value" lines

    // Per-run counters, reset with the scenario.
    int take_draw();                // the 1-based number of this draw
    bool take_sign();               // true for the first successful sign of the "day"
    void reset();

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_values;
    int m_draws_made = 0;
    bool m_signed = false;
};

}  // namespace quilbex::sim
