#include "sim/HttpMessage.h"

#include <algorithm>
#include <cctype>

namespace quilbex::sim {

namespace {

constexpr std::size_t kMaxHeadLength = 256 * 1024;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::optional<std::string> Request::header(std::string_view name) const {
    for (const auto& [n, v] : headers) {
        if (equals_ignoring_case(n, name))
            return v;
    }
    return std::nullopt;
}

std::string Request::path() const { return target.substr(0, target.find('?')); }

std::string Request::query() const {
    auto q = target.find('?');
    return q == std::string::npos ? std::string() : target.substr(q + 1);
}

Response Response::text(int status, std::string reason, std::string content_type, std::string body) {
    Response r;
    r.status = status;
    r.reason = std::move(reason);
    r.headers.emplace_back("Content-Type", std::move(content_type));
    r.body = std::move(body);
    return r;
}

Response Response::redirect(int status, std::string location) {
    Response r;
    r.status = status;
    r.reason = status == 301 ? "Moved Permanently" : status == 303 ? "See Other" : "Found";
    r.headers.emplace_back("Location", std::move(location));
    return r;
}

ParseResult parse_request_head(std::string_view buffer, Request& request, std::size_t& head_length) {
    auto end = buffer.find("\r\n\r\n");
    if (end == std::string_view::npos)
        return buffer.size() > kMaxHeadLength ? ParseResult::Malformed : ParseResult::NeedMore;
    head_length = end + 4;
    std::string_view head = buffer.substr(0, head_length);
    request = Request{};
    request.head = std::string(head);

    auto line_end = head.find("\r\n");
    std::string_view line = head.substr(0, line_end);
    auto sp1 = line.find(' ');
    auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos)
        return ParseResult::Malformed;
    request.method = std::string(line.substr(0, sp1));
    request.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
    request.version = std::string(line.substr(sp2 + 1));
    if (request.method.empty() || request.target.empty() || request.version.rfind("HTTP/", 0) != 0)
        return ParseResult::Malformed;

    std::size_t pos = line_end + 2;
    while (pos < end) {
        auto next = head.find("\r\n", pos);
        std::string_view header_line = head.substr(pos, next - pos);
        pos = next + 2;
        auto colon = header_line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return ParseResult::Malformed;
        request.headers.emplace_back(std::string(header_line.substr(0, colon)),
                                     std::string(trim(header_line.substr(colon + 1))));
    }
    return ParseResult::Complete;
}

std::string serialise(const Response& response) {
    std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
    bool has_length = false;
    for (const auto& [name, value] : response.headers) {
        has_length = has_length || equals_ignoring_case(name, "Content-Length");
        out += name + ": " + value + "\r\n";
    }
    if (response.chunked) {
        static const char kHex[] = "0123456789abcdef";
        constexpr std::size_t kChunk = 256;
        out += "Transfer-Encoding: chunked\r\n\r\n";
        for (std::size_t at = 0; at < response.body.size(); at += kChunk) {
            std::size_t size = std::min(kChunk, response.body.size() - at);
            std::string digits;
            for (std::size_t n = size; n; n /= 16)
                digits.insert(digits.begin(), kHex[n % 16]);
            out += digits + "\r\n" + response.body.substr(at, size) + "\r\n";
        }
        return out + "0\r\n\r\n";
    }
    if (!has_length)
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    out += "\r\n";
    out += response.body;
    return out;
}

HeaderLines split_form(std::string_view form) {
    HeaderLines pairs;
    while (!form.empty()) {
        auto amp = form.find('&');
        std::string_view piece = form.substr(0, amp);
        auto eq = piece.find('=');
        if (!piece.empty()) {
            if (eq == std::string_view::npos)
                pairs.emplace_back(std::string(piece), std::string());
            else
                pairs.emplace_back(std::string(piece.substr(0, eq)), std::string(piece.substr(eq + 1)));
        }
        if (amp == std::string_view::npos)
            break;
        form.remove_prefix(amp + 1);
    }
    return pairs;
}

std::string percent_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = hex_value(text[i + 1]);
            int lo = hex_value(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace quilbex::sim
