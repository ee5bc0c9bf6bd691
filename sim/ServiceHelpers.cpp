#include "sim/Services.h"

#include <random>

namespace quilbex::sim {

std::string SimState::issue_ticket() {
    static const char kDigits[] = "0123456789abcdef";
    std::random_device device;
    std::string ticket = "ST-";
    for (int i = 0; i < 24; ++i)
        ticket += kDigits[device() % 16];
    std::lock_guard lock(tickets_mutex);
    tickets.insert(ticket);
    return ticket;
}

bool SimState::redeem_ticket(const std::string& ticket) {
    std::lock_guard lock(tickets_mutex);
    return tickets.erase(ticket) != 0;
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

bool is_logged_in(SimState& state, const Request& request) {
    auto id = cookie_item(request, "UM_distinctid");
    return id && !id->empty() && *id == state.scenario.get("distinctid");
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
