#include "app/net/HttpClient.h"

#include "app/net/Cookies.h"
#include "app/net/TextHelpers.h"
#include "app/net/WinInetCommands.h"
#include "platform/wininet/WinInetErrors.h"
#include "runtime/Blocks.h"

#include <array>
#include <cstring>
#include <string>

namespace quilbex::app {

namespace {

using namespace quilbex::wininet;

constexpr const char* kVerbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr DWORD kReadChunk = 1024;

// The platform's checks for redirects between http and https are relaxed so
// that redirects cross between the two; certificate checks are never touched
// here (the WinInet layer verifies against the configured authorities).
constexpr DWORD kRequestSecurityFlags = SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS | SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP;

bool contains(const std::string& text, const char* search, bool ignore_case) {
    return commands::find_text(text.c_str(), search, std::nullopt, ignore_case) > 0;
}

// Step 5: the agent named by a User-Agent line of the headers, else the default.
std::string agent_for(const std::string& headers) {
    if (!contains(headers, "User-Agent:", true))
        return kDefaultAgent;
    std::string with_end = headers + "\r\n";
    Text agent = commands::trim_spaces(text_between(with_end.c_str(), "User-Agent:", "\r\n").get());
    if (agent)
        return str(agent);
    std::int32_t colon = commands::find_text(headers.c_str(), ":");
    return str(commands::trim_spaces(headers.c_str() + colon));
}

// Step 10: the standard headers the platform's browser would send.
void complete(std::string& headers, const char* url, std::int32_t method) {
    if (headers.empty())
        headers = "Accept: */*";
    if (!contains(headers, "Accept:", true))
        headers += "\r\nAccept: */*";
    if (!contains(headers, "Referer:", true))
        headers += std::string("\r\nReferer: ") + url;
    if (!contains(headers, "Accept-Language:", true))
        headers += "\r\nAccept-Language: zh-cn";
    if (method == 1 && !contains(headers, "Content-Type:", true))
        headers += "\r\nContent-Type: application/x-www-form-urlencoded";
}

// The raw headers of the response, asked for in the size they need.
std::string raw_headers(HINTERNET request) {
    DWORD size = 0;
    if (dll::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr) || size == 0)
        return {};
    std::string buffer(size, '\0');
    if (!dll::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr))
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

// The body as far as it came; `complete` is false when the connection broke
// off (or the body was too long) before its end.
std::string body_of(HINTERNET request, bool& complete) {
    std::string body;
    std::array<char, kReadChunk> chunk{};
    DWORD read = 0;
    complete = true;
    do {
        read = 0;
        if (!dll::InternetReadFile(request, chunk.data(), kReadChunk, &read))
            complete = false;
        body.append(chunk.data(), read);
    } while (read != 0);
    return body;
}

thread_local bool t_answered = false;

}  // namespace

bool last_request_answered() { return t_answered; }

ByteSet http_request(const HttpRequestArgs& a) {
    t_answered = false;
    const char* url = a.url ? a.url : "";
    std::string headers = str(a.extra_headers);
    if (a.normalise_names.value_or(true))
        headers = str(normalise_header_names(headers.c_str()));
    std::int32_t method = a.method.value_or(0);
    if (method < 0 || method > 7)
        method = 0;
    bool is_https = str(commands::to_lower(commands::left_text(url, 8).get())) == "https://";
    std::string agent = agent_for(headers);
    std::string proxy = str(a.proxy);

    HINTERNET session;
    if (!proxy.empty()) {
        std::string proxy_text = is_https ? proxy : "http=" + proxy;
        session = dll::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxy_text.c_str(), "", 0);
    } else {
        session = dll::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    }
    if (!session)
        return ByteSet();
    Text host = url_host(url);
    auto port = static_cast<INTERNET_PORT>(url_port(url));
    HINTERNET connection =
        dll::InternetConnectA(session, host ? host.get() : "", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection) {
        dll::InternetCloseHandle(session);
        return ByteSet();
    }
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
    if (a.cookies)
        flags |= INTERNET_FLAG_NO_COOKIES;
    if (a.no_redirect.value_or(false))
        flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    flags |= is_https ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    Text path = url_path(url);
    HINTERNET request = dll::HttpOpenRequestA(connection, kVerbs[method], path ? path.get() : "/", "HTTP/1.1", nullptr,
                                              nullptr, flags, 0);
    if (!request) {
        dll::InternetCloseHandle(connection);
        dll::InternetCloseHandle(session);
        return ByteSet();
    }
    DWORD security = kRequestSecurityFlags;
    dll::InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security);

    if (a.complete_headers.value_or(true))
        complete(headers, url, method);
    std::string cookie_text = a.cookies ? str(*a.cookies) : std::string();
    if (!cookie_text.empty()) {
        if (contains(cookie_text, "Cookie:", false))
            headers += "\r\n" + cookie_text;
        else
            headers += "\r\nCookie: " + cookie_text;
    }

    std::string body;
    if (method != 0) {
        auto bytes = rt::byte_set_bytes(a.body_bytes);
        if (!bytes.empty())
            body.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        else
            body = str(a.body_text);
    }
    t_answered = dll::HttpSendRequestA(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                                       body.empty() ? nullptr : body.data(), static_cast<DWORD>(body.size())) != 0;
    bool complete = false;
    std::string response = body_of(request, complete);
    // A reply cut short is no answer: the part that came may read as
    // anything (an unfinished JSON text reads as "not logged in").
    t_answered = t_answered && complete;
    std::string response_headers = raw_headers(request);

    dll::InternetCloseHandle(request);
    dll::InternetCloseHandle(connection);
    dll::InternetCloseHandle(session);

    Text returned = collect_set_cookies(response_headers.c_str());
    if (a.merge_cookies.value_or(true) && a.cookies)
        returned = merge_cookies(*a.cookies, returned.get());
    if (a.returned_headers)
        *a.returned_headers = make_text(response_headers);
    if (a.returned_cookies)
        *a.returned_cookies = std::move(returned);
    return ByteSet(rt::make_byte_set(response.data(), response.size()));
}

Text normalise_header_names(const char* headers) {
    std::string out;
    commands::TextArray lines = commands::split_text(headers, "\r\n");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const char* line = lines[i];
        std::int32_t colon = commands::find_text(line, ":");
        if (!line || colon < 1)
            continue;
        std::string name = str(commands::left_text(line, colon - 1));
        std::string new_name;
        if (commands::find_text(name.c_str(), "-") > 0) {
            commands::TextArray pieces = commands::split_text(name.c_str(), "-");
            for (std::size_t k = 0; k < pieces.size(); ++k) {
                if (k > 0)
                    new_name += "-";
                new_name += str(commands::to_upper(commands::left_text(pieces[k], 1).get()));
                new_name += str(commands::mid_text(pieces[k], 2, commands::length_of_text(pieces[k])));
            }
        } else {
            new_name = str(commands::to_upper(commands::left_text(name.c_str(), 1).get()));
            new_name += str(commands::mid_text(name.c_str(), 2, commands::length_of_text(name.c_str())));
        }
        std::int32_t rest = commands::length_of_text(line) - static_cast<std::int32_t>(new_name.size());
        out += new_name + str(commands::right_text(line, rest)) + "\r\n";
    }
    if (out.size() >= 2)
        out.resize(out.size() - 2);
    return make_text(out);
}

Text url_host(const char* url, bool keep_port) {
    std::string s = str(commands::to_lower(url));
    if (s.empty() || s.back() != '/')
        s += "/";
    Text host;
    if (s.compare(0, 8, "https://") == 0) {
        host = text_between(s.c_str(), "https://", "/");
    } else {
        if (commands::find_text(s.c_str(), "http://") < 1)
            s = "http://" + s;
        host = text_between(s.c_str(), "http://", "/");
    }
    // A bracketed IPv6 address holds colons of its own: the port follows "]".
    // Without the "]" it is no IPv6 address and is read as any other host.
    std::string bracketed = str(host);
    if (!bracketed.empty() && bracketed.front() == '[' && bracketed.find(']') != std::string::npos) {
        if (!keep_port)
            return make_text(bracketed.substr(0, bracketed.find(']') + 1));
        return host;
    }
    std::int32_t colon = commands::find_text(host.get(), ":");
    if (!keep_port && colon > 0)
        return commands::left_text(host.get(), colon - 1);
    return host;
}

std::int32_t url_port(const char* url) {
    Text host_port = url_host(url, true);
    std::string text = str(host_port);
    std::int32_t colon = commands::find_text_reverse(host_port.get(), ":");
    if (!text.empty() && text.front() == '[') {
        std::size_t close = text.find(']');
        colon = close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':'
                    ? static_cast<std::int32_t>(close + 2)
                    : 0;
    }
    if (colon > 0) {
        Text digits = commands::mid_text(host_port.get(), colon + 1, commands::length_of_text(host_port.get()));
        return commands::to_integer(rt::ArgRecord::of_pointer(digits ? digits.get() : "", rt::kTypeText));
    }
    return str(commands::to_lower(commands::left_text(url, 5).get())) == "https" ? 443 : 80;
}

Text url_path(const char* url) {
    Text host = url_host(url);
    std::int32_t p1 = commands::find_text(url, host.get(), std::nullopt, true);
    std::int32_t p2 = commands::find_text(url, "/", p1, true);
    if (p2 > 0)
        return commands::mid_text(url, p2, commands::length_of_text(url));
    return make_text("/");
}

}  // namespace quilbex::app
