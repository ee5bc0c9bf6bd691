#include "platform/wininet/InternetObjects.h"

#include "platform/wininet/ProxyList.h"
#include "platform/wininet/RequestHeaders.h"
#include "platform/wininet/WinInetErrors.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quilbex::wininet {

namespace {

constexpr int kMaxRedirects = 30;

std::mutex& defaults_mutex() {
    static std::mutex mutex;
    return mutex;
}

HandleOptions& default_options() {
    static HandleOptions options;
    return options;
}

bool store_option(HandleOptions& options, DWORD option, DWORD value) {
    switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: options.connect_timeout_ms = value; return true;
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT: options.receive_timeout_ms = value; return true;
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT: options.send_timeout_ms = value; return true;
    case INTERNET_OPTION_SECURITY_FLAGS: options.security_flags = value; return true;
    default: return false;
    }
}

// Fills the options that `options` leaves unset from `fallback`.
void inherit(HandleOptions& options, const HandleOptions& fallback) {
    if (!options.connect_timeout_ms)
        options.connect_timeout_ms = fallback.connect_timeout_ms;
    if (!options.receive_timeout_ms)
        options.receive_timeout_ms = fallback.receive_timeout_ms;
    if (!options.send_timeout_ms)
        options.send_timeout_ms = fallback.send_timeout_ms;
    if (!options.security_flags)
        options.security_flags = fallback.security_flags;
}

std::string scheme_of(const std::string& url) {
    auto sep = url.find("://");
    std::string scheme = url.substr(0, sep == std::string::npos ? 0 : sep);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme;
}

// "scheme://host:port" of a URL, in lower case.
std::string origin_of(const std::string& url) {
    auto sep = url.find("://");
    if (sep == std::string::npos)
        return {};
    auto end = url.find_first_of("/?#", sep + 3);
    std::string origin = url.substr(0, end);
    std::transform(origin.begin(), origin.end(), origin.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return origin;
}

// The object name as a URL path: a leading "/" when it has none, and bytes
// that cannot stand in a URL (controls, space, DEL, bytes of 0x80 and above)
// percent-encoded.
std::string object_as_path(const std::string& object) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string path = object.empty() || object[0] != '/' ? "/" : "";
    for (unsigned char c : object) {
        if (c <= 0x20 || c >= 0x7F) {
            path += '%';
            path += kHex[c >> 4];
            path += kHex[c & 0xF];
        } else {
            path += static_cast<char>(c);
        }
    }
    return path;
}

bool is_redirect_status(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

bool set_default_option(DWORD option, DWORD value) {
    std::lock_guard lock(defaults_mutex());
    return store_option(default_options(), option, value);
}

bool InternetObject::set_option(DWORD option, DWORD value) {
    std::lock_guard lock(m_options_mutex);
    return store_option(m_options, option, value);
}

HandleOptions InternetObject::effective_options() const {
    HandleOptions options;
    {
        std::lock_guard lock(m_options_mutex);
        options = m_options;
    }
    if (m_parent) {
        inherit(options, m_parent->effective_options());
    } else {
        std::lock_guard lock(defaults_mutex());
        inherit(options, default_options());
    }
    return options;
}

std::optional<std::string> SessionObject::proxy_for(const std::string& scheme) const {
    if (m_access_type != INTERNET_OPEN_TYPE_PROXY)
        return std::nullopt;
    return proxy_for_scheme(m_proxy_list, scheme);
}

std::string RequestObject::initial_url() const {
    bool secure = (m_flags & INTERNET_FLAG_SECURE) != 0;
    std::string host = m_connection->server();
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";
    INTERNET_PORT port = m_connection->port();
    std::string url = (secure ? "https://" : "http://") + host;
    if (port != INTERNET_INVALID_PORT_NUMBER)
        url += ":" + std::to_string(port);
    return url + object_as_path(m_object);
}

DWORD RequestObject::send(std::string_view header_block, std::string body) {
    std::vector<std::string> lines = split_header_block(header_block);
    for (auto it = m_own_lines.rbegin(); it != m_own_lines.rend(); ++it) {
        if (!has_header(lines, it->substr(0, it->find(':'))))
            lines.insert(lines.begin(), *it);
    }
    HandleOptions options = effective_options();
    const SessionObject& session = m_connection->session();
    DWORD security = options.security_flags.value_or(0);

    std::string url = initial_url();
    std::string verb = m_verb;
    bool has_body = !body.empty() || verb == "POST" || verb == "PUT";

    TransferSpec order;
    order.agent = session.agent();
    order.use_cookie_store = (m_flags & INTERNET_FLAG_NO_COOKIES) == 0;
    order.connect_timeout_ms = options.connect_timeout_ms.value_or(kDefaultConnectTimeoutMs);
    order.receive_timeout_ms = options.receive_timeout_ms.value_or(kDefaultReceiveTimeoutMs);
    order.cancelled = &closed_flag();

    auto keep = [this](TransferResult result) {
        std::lock_guard lock(m_mutex);
        m_response = std::move(result);
        m_has_response = true;
        m_read_offset = 0;
    };
    {
        std::lock_guard lock(m_mutex);
        m_has_response = false;
        m_response = {};
    }
    set_last_request_failure({});

    for (int hop = 0;; ++hop) {
        order.url = url;
        order.verb = verb;
        order.header_lines = lines;
        order.body = has_body ? &body : nullptr;
        order.network.proxy = session.proxy_for(scheme_of(url));
        TransferResult result = perform_transfer(order);
        if (result.error != ERROR_SUCCESS) {
            set_last_request_failure(std::move(result.failure));
            return result.error;
        }

        bool follow = is_redirect_status(result.status) && !result.redirect_url.empty() &&
                      (m_flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
        if (!follow) {
            keep(std::move(result));
            return ERROR_SUCCESS;
        }
        std::string next = result.redirect_url;
        std::string from = scheme_of(url), to = scheme_of(next);
        DWORD refusal = ERROR_SUCCESS;
        if (hop + 1 > kMaxRedirects)
            refusal = ERROR_HTTP_REDIRECT_FAILED;
        else if (from == "http" && to == "https" && !(m_flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) &&
                 !(security & SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS))
            refusal = ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR;
        else if (from == "https" && to == "http" && !(m_flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP) &&
                 !(security & SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP))
            refusal = ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
        if (refusal != ERROR_SUCCESS) {
            // The redirect response itself stays readable.
            keep(std::move(result));
            return refusal;
        }

        long status = result.status;
        if ((status == 303 && verb != "HEAD") || ((status == 301 || status == 302) && verb == "POST")) {
            verb = "GET";
            has_body = false;
            body.clear();
            remove_header(lines, "Content-Length");
        }
        // The member's cookie and credentials given in the block belong to
        // the site they were written for, not to wherever it redirects.
        if (origin_of(next) != origin_of(url)) {
            remove_header(lines, "Cookie");
            remove_header(lines, "Authorization");
        }
        url = std::move(next);
    }
}

DWORD RequestObject::read(void* buffer, DWORD size, DWORD* count) {
    std::lock_guard lock(m_mutex);
    *count = 0;
    if (!m_has_response)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    std::size_t available = m_response.body.size() - m_read_offset;
    std::size_t n = std::min<std::size_t>(available, size);
    if (n == 0)
        return m_response.body_error;
    std::memcpy(buffer, m_response.body.data() + m_read_offset, n);
    m_read_offset += n;
    *count = static_cast<DWORD>(n);
    return ERROR_SUCCESS;
}

std::optional<std::string> RequestObject::raw_headers_crlf() const {
    std::lock_guard lock(m_mutex);
    if (!m_has_response)
        return std::nullopt;
    std::string out;
    for (const auto& line : m_response.header_lines)
        out += line + "\r\n";
    return out + "\r\n";
}

std::optional<std::vector<std::string>> RequestObject::header_lines() const {
    std::lock_guard lock(m_mutex);
    if (!m_has_response)
        return std::nullopt;
    return m_response.header_lines;
}

long RequestObject::status() const {
    std::lock_guard lock(m_mutex);
    return m_has_response ? m_response.status : 0;
}

}  // namespace quilbex::wininet
