#include "sim/Services.h"

#include <random>

namespace quilbex::sim {

std::string random_hex(int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::random_device device;
    std::string text;
    for (int i = 0; i < digits; ++i)
        text += kDigits[device() % 16];
    return text;
}

std::string SimState::issue_ticket() {
    std::string ticket = "ST-" + random_hex(24);
    std::lock_guard lock(m_mutex);
    m_tickets.insert(ticket);
    return ticket;
}

bool SimState::redeem_ticket(const std::string& ticket) {
    std::lock_guard lock(m_mutex);
    return m_tickets.erase(ticket) != 0;
}

std::string SimState::open_forum_session() {
    std::string id = random_hex(8) + "-" + random_hex(16);
    std::lock_guard lock(m_mutex);
    m_forum_sessions[id] = random_hex(8);
    return id;
}

std::optional<std::string> SimState::forum_session_token(const std::string& id) {
    if (id.empty())
        return std::nullopt;
    if (id == scenario.get("distinctid"))
        return scenario.get("formhash");
    std::lock_guard lock(m_mutex);
    auto it = m_forum_sessions.find(id);
    if (it == m_forum_sessions.end())
        return std::nullopt;
    return it->second;
}

bool SimState::take_draw_slot(const std::string& id, std::int64_t now_us, std::int64_t gap_us) {
    std::lock_guard lock(m_mutex);
    auto it = m_last_draw_us.find(id);
    if (it != m_last_draw_us.end() && now_us - it->second < gap_us)
        return false;
    m_last_draw_us[id] = now_us;
    return true;
}

std::string SimState::open_account_session() {
    std::string id = random_hex(32);
    std::lock_guard lock(m_mutex);
    m_account_sessions[id] = false;
    return id;
}

std::optional<bool> SimState::account_session(const std::string& id) {
    std::lock_guard lock(m_mutex);
    auto it = m_account_sessions.find(id);
    if (it == m_account_sessions.end())
        return std::nullopt;
    return it->second;
}

void SimState::log_in_account_session(const std::string& id) {
    std::lock_guard lock(m_mutex);
    m_account_sessions[id] = true;
}

void SimState::reset_sessions() {
    std::lock_guard lock(m_mutex);
    m_tickets.clear();
    m_forum_sessions.clear();
    m_last_draw_us.clear();
    m_account_sessions.clear();
}

std::optional<std::string> cookie_item(const Request& request, const std::string& name) {
    // Every Cookie line counts; items are separated by ";" and optional spaces.
    for (const auto& [header, value] : request.headers) {
        if (!equals_ignoring_case(header, "Cookie"))
            continue;
        std::size_t pos = 0;
        while (pos <= value.size()) {
            auto end = value.find(';', pos);
            std::string item = value.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            auto first = item.find_first_not_of(' ');
            item = first == std::string::npos ? std::string() : item.substr(first);
            auto eq = item.find('=');
            if (eq != std::string::npos && item.compare(0, eq, name) == 0 && eq == name.size())
                return item.substr(eq + 1);
            if (end == std::string::npos)
                break;
            pos = end + 1;
        }
    }
    return std::nullopt;
}

std::optional<std::string> forum_session(SimState& state, const Request& request) {
    auto id = cookie_item(request, "UM_distinctid");
    if (!id || !state.forum_session_token(*id))
        return std::nullopt;
    return id;
}

std::string cookie_line(SimState& state, const std::string& name, const std::string& value, const std::string& host) {
    std::string line = name + "=" + value + "; Path=/";
    if (!state.scenario.on("cookie_attrs"))
        return line;
    // A cookie for an address has no Domain attribute (browsers refuse one);
    // under a host name the forum names its domain as real forums do.
    std::string name_only = host.substr(0, host.rfind(':'));
    bool is_address = !name_only.empty() && name_only.find_first_not_of("0123456789.") == std::string::npos;
    if (!is_address && !name_only.empty() && name_only != "localhost")
        line += "; Domain=" + name_only;
    return line + "; Secure; HttpOnly";
}

bool is_utf8(const std::string& utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        int length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > utf8.size())
            return false;
        unsigned code = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static const unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string json_string(const std::string& utf8, bool escape_non_ascii) {
    static const char kHex[] = "0123456789abcdef";
    auto u_escape = [](unsigned unit) {
        std::string s = "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            s += kHex[(unit >> shift) & 0xF];
        return s;
    };
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                out += u_escape(c);
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (!escape_non_ascii || length == 1 || i + length > utf8.size()) {
            out.append(utf8, i, static_cast<std::size_t>(length));
            i += static_cast<std::size_t>(length);
            continue;
        }
        unsigned code = c & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (code > 0xFFFF) {
            code -= 0x10000;
            out += u_escape(0xD800 + (code >> 10));
            out += u_escape(0xDC00 + (code & 0x3FF));
        } else {
            out += u_escape(code);
        }
        i += static_cast<std::size_t>(length);
    }
    return out + "\"";
}

std::string percent_encode(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string html_escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace quilbex::sim
