#include "app/net/HostValue.h"

#include <arpa/inet.h>
#include <string>

namespace quilbex::app {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool is_valid_port(std::string_view port) {
    if (port.empty() || port.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : port) {
        if (!is_digit(c))
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

// What the resolver would read as an IPv4 address (inet_aton takes every
// historical form: hexadecimal, octal, fewer than four parts).
bool reads_as_ipv4(std::string_view name) {
    in_addr address{};
    return ::inet_aton(std::string(name).c_str(), &address) != 0;
}

// Labels of letters, digits, '-' and '_' (no '-' at either end), joined by
// dots, with an optional final dot. A name that reads as an IPv4 address must
// be written as a dotted quad.
bool is_valid_host_name(std::string_view name) {
    if (name.size() > 1 && name.back() == '.') {
        name.remove_suffix(1);
        if (reads_as_ipv4(name))
            return false;  // "127.0.0.1." is no name and no address
    }
    if (name.empty() || name.size() > 253)
        return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = name.find('.', start);
        std::string_view label = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label)
            if (!is_digit(c) && !is_letter(c) && c != '-' && c != '_')
                return false;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    bool only_digits_and_dots = name.find_first_not_of("0123456789.") == std::string_view::npos;
    if (!only_digits_and_dots && !reads_as_ipv4(name))
        return true;
    in_addr address{};
    return ::inet_pton(AF_INET, std::string(name).c_str(), &address) == 1;
}

bool is_valid_ipv6(std::string_view text) {
    if (text.empty() || text.size() > 45)
        return false;
    in6_addr address{};
    return ::inet_pton(AF_INET6, std::string(text).c_str(), &address) == 1;
}

}  // namespace

bool is_valid_host_value(std::string_view value) {
    if (!value.empty() && value.front() == '[') {
        std::size_t close = value.find(']');
        if (close == std::string_view::npos || !is_valid_ipv6(value.substr(1, close - 1)))
            return false;
        std::string_view rest = value.substr(close + 1);
        return rest.empty() || (rest.front() == ':' && is_valid_port(rest.substr(1)));
    }
    std::size_t colon = value.find(':');
    if (colon == std::string_view::npos)
        return is_valid_host_name(value);
    return is_valid_host_name(value.substr(0, colon)) && is_valid_port(value.substr(colon + 1));
}

std::optional<std::string> service_host(std::string_view address) {
    constexpr std::string_view kScheme = "https://";
    // No address holds spaces or control characters: such a value is most
    // often an explanation written after it, which belongs on a line of its own.
    for (char c : address)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return std::nullopt;
    if (std::size_t colon = address.find("://"); colon != std::string_view::npos) {
        std::string scheme(address.substr(0, colon + 3));
        for (char& c : scheme)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (scheme != kScheme)
            return std::nullopt;
        address.remove_prefix(colon + 3);
    }
    std::string_view host = address.substr(0, address.find_first_of("/?#"));
    if (host.find('@') != std::string_view::npos || !is_valid_host_value(host))
        return std::nullopt;
    return std::string(host);
}

}  // namespace quilbex::app
