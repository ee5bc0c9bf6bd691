#include "sim/Scenario.h"

#include <cstdlib>
#include <set>
#include <utility>

namespace quilbex::sim {

namespace {

const std::map<std::string, std::string>& defaults() {
    static const std::map<std::string, std::string> values = {
        {"user", "张三"},
        {"password", "secret"},
        {"distinctid", "sim-member-0001"},
        {"formhash", "1a2b3c4d"},
        {"sign", "daily"},
        {"draws", "3"},
        {"too_fast", "0"},
        {"quote", "生活不止眼前的苟且"},
        {"quote_mode", "json"},
        {"guest_reply", "page"},
        {"unanswered", "0"},
        {"draw_gap_ms", "4500"},
        {"check_host", "1"},
        {"check_length", "1"},
        {"check_headers", "1"},
        {"check_encoding", "1"},
        {"check_callback", "1"},
        {"account_session", "1"},
        {"cookie_attrs", "1"},
        {"chunked", "1"},
        {"raw_msg", "1"},
        {"draw_reply", ""},
        {"login_max_age", "0"},  // seconds the login cookie lasts; 0: a session cookie
    };
    return values;
}

bool is_number(const std::string& value) {
    if (value.empty() || value.size() > 6)
        return false;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool is_valid(const std::string& key, const std::string& value) {
    static const std::set<std::string> sign_modes = {"daily", "success", "already", "retry", "not_logged_in"};
    static const std::set<std::string> quote_modes = {"json", "no_data", "not_json"};
    if (key == "sign")
        return sign_modes.count(value) != 0;
    if (key == "quote_mode")
        return quote_modes.count(value) != 0;
    static const std::set<std::string> flags = {"too_fast",       "check_host",     "check_length",    "check_headers",
                                                "check_encoding", "check_callback", "account_session", "cookie_attrs",
                                                "chunked",        "raw_msg"};
    if (key == "guest_reply")
        return value == "page" || value == "empty";
    if (key == "draws" || key == "draw_gap_ms" || key == "unanswered" || key == "login_max_age")
        return is_number(value);
    if (flags.count(key) != 0)
        return value == "0" || value == "1";
    return true;
}

}  // namespace

Scenario::Scenario() : m_values(defaults()) {}

bool Scenario::set(const std::string& key, const std::string& value) {
    if (defaults().count(key) == 0 || !is_valid(key, value))
        return false;
    std::lock_guard lock(m_mutex);
    m_values[key] = value;
    return true;
}

bool Scenario::set_assignment(const std::string& assignment) {
    auto eq = assignment.find('=');
    if (eq == std::string::npos)
        return false;
    return set(assignment.substr(0, eq), assignment.substr(eq + 1));
}

std::string Scenario::get(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

int Scenario::get_int(const std::string& key) const { return std::atoi(get(key).c_str()); }

std::string Scenario::describe() const {
    std::lock_guard lock(m_mutex);
    std::string out;
    for (const auto& [key, value] : m_values)
        out += key + "=" + value + "\n";
    return out;
}

int Scenario::take_draw() {
    std::lock_guard lock(m_mutex);
    return ++m_draws_made;
}

bool Scenario::take_sign() {
    std::lock_guard lock(m_mutex);
    return !std::exchange(m_signed, true);
}

bool Scenario::take_unanswered() {
    std::lock_guard lock(m_mutex);
    if (m_unanswered_taken >= std::atoi(m_values["unanswered"].c_str()))
        return false;
    ++m_unanswered_taken;
    return true;
}

void Scenario::reset() {
    std::lock_guard lock(m_mutex);
    m_values = defaults();
    m_draws_made = 0;
    m_unanswered_taken = 0;
    m_signed = false;
}

}  // namespace quilbex::sim
