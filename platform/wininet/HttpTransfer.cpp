#include "platform/wininet/HttpTransfer.h"

#include "platform/wininet/CookieStore.h"
#include "platform/wininet/Curl.h"
#include "platform/wininet/OpenSsl.h"
#include "platform/wininet/RequestHeaders.h"
#include "platform/wininet/WinInetErrors.h"

#include <chrono>
#include <strings.h>

namespace quilbex::wininet {

namespace {

using Clock = std::chrono::steady_clock;

struct TransferContext {
    TransferResult* result;
    const TransferSpec* order;
    Clock::time_point last_activity = Clock::now();
    curl_off_t last_down = 0;
    curl_off_t last_up = 0;
    bool timed_out = false;
    bool cancelled = false;
};

// A body that would grow past kBodyLimit ends the transfer: taking fewer
// bytes than offered makes libcurl stop with a write error.
size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* context = static_cast<TransferContext*>(user);
    std::string& body = context->result->body;
    if (size * count > kBodyLimit - body.size())
        return 0;
    body.append(data, size * count);
    return size * count;
}

// Keeps the header lines of the last response: each status line starts a new
// set, so interim (1xx) responses are dropped.
size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* context = static_cast<TransferContext*>(user);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    auto& lines = context->result->header_lines;
    if (line.rfind("HTTP/", 0) == 0)
        lines.clear();
    if (!line.empty())
        lines.push_back(std::move(line));
    return size * count;
}

// Ends the transfer when the handle was closed, or when no byte has moved in
// either direction for the receive time-out once the connection stands.
int on_progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* context = static_cast<TransferContext*>(user);
    if (context->order->cancelled && context->order->cancelled->load()) {
        context->cancelled = true;
        return 1;
    }
    auto now = Clock::now();
    if (down != context->last_down || up != context->last_up) {
        context->last_down = down;
        context->last_up = up;
        context->last_activity = now;
        return 0;
    }
    auto limit = context->order->receive_timeout_ms;
    if (limit != 0 && now - context->last_activity > std::chrono::milliseconds(limit)) {
        context->timed_out = true;
        return 1;
    }
    return 0;
}

void configure_method(CURL* easy, const TransferSpec& order) {
    if (order.body) {
        curl().easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(order.body->size()));
        curl().easy_setopt(easy, CURLOPT_POSTFIELDS, order.body->data());
        if (order.verb != "POST")
            curl().easy_setopt(easy, CURLOPT_CUSTOMREQUEST, order.verb.c_str());
    } else if (order.verb == "HEAD") {
        curl().easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        curl().easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        if (order.verb != "GET")
            curl().easy_setopt(easy, CURLOPT_CUSTOMREQUEST, order.verb.c_str());
    }
}

// "host" or "host:port" of a URL, without the user part.
std::string authority_of(const std::string& url) {
    auto start = url.find("://");
    std::string rest = start == std::string::npos ? url : url.substr(start + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    auto at = rest.rfind('@');
    return at == std::string::npos ? rest : rest.substr(at + 1);
}

// The kind of a certificate that the peer verification refused. libcurl
// checks the name itself once OpenSSL has accepted the chain, and says so in
// words only; OpenSSL's verdict on the chain tells the other kinds.
FailureKind certificate_kind(CURL* easy, const std::string& reason) {
    if (reason.find("no alternative certificate subject name matches") != std::string::npos ||
        reason.find("does not match target host name") != std::string::npos)
        return FailureKind::certificate_wrong_name;
    long verdict = X509_V_OK;
    curl().easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verdict);
    switch (verdict) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return FailureKind::certificate_wrong_name;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID: return FailureKind::certificate_expired;
    default: return FailureKind::certificate_untrusted;
    }
}

RequestFailure describe_failure(CURL* easy, CURLcode code, bool timed_out, const std::string& url,
                                const char* error_text) {
    RequestFailure failure{FailureKind::other, authority_of(url), *error_text ? error_text : ""};
    if (failure.reason.empty())
        failure.reason = curl().easy_strerror(code);
    switch (timed_out ? CURLE_OPERATION_TIMEDOUT : code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: failure.kind = FailureKind::name_not_resolved; break;
    case CURLE_COULDNT_CONNECT: failure.kind = FailureKind::refused; break;
    case CURLE_OPERATION_TIMEDOUT:
        failure.kind = FailureKind::timeout;
        if (timed_out)
            failure.reason = "no data received within the receive time-out";
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: failure.kind = certificate_kind(easy, failure.reason); break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER: failure.kind = FailureKind::tls; break;
    default: break;
    }
    return failure;
}

bool is_https(const std::string& url) { return url.size() >= 6 && ::strncasecmp(url.c_str(), "https:", 6) == 0; }

}  // namespace

TransferResult perform_transfer(const TransferSpec& order) {
    TransferResult result;
    if (!ensure_curl_initialised()) {
        result.error = ERROR_INTERNET_INTERNAL_ERROR;
        return result;
    }
    CurlEasyPtr easy(curl().easy_init());
    if (!easy) {
        result.error = ERROR_NOT_ENOUGH_MEMORY;
        return result;
    }
    CURL* e = easy.get();
    TransferContext context{&result, &order};

    bool has_body = order.body != nullptr;
    CurlSlistPtr headers;
    for (const auto& line : curl_header_lines(order.header_lines, has_body)) {
        if (!append_header(headers, line.c_str())) {
            result.error = ERROR_NOT_ENOUGH_MEMORY;
            return result;
        }
    }
    CurlSlistPtr proxy_headers;
    append_header(proxy_headers, "Proxy-Connection:");

    curl().easy_setopt(e, CURLOPT_URL, order.url.c_str());
    curl().easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl().easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl().easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl().easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl().easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl().easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl().easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl().easy_setopt(e, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl().easy_setopt(e, CURLOPT_PROXYHEADER, proxy_headers.get());
    curl().easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (!order.agent.empty() && !has_header(order.header_lines, "User-Agent"))
        curl().easy_setopt(e, CURLOPT_USERAGENT, order.agent.c_str());
    configure_method(e, order);
    // Redirects are not followed, so a plain address never meets a
    // certificate.
    SharedTrustStore store;
    apply_network_settings(e, order.url, is_https(order.url), order.network, store);
    if (order.use_cookie_store)
        attach_cookie_store(e);
    if (order.connect_timeout_ms != 0)
        curl().easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(order.connect_timeout_ms));

    curl().easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
    curl().easy_setopt(e, CURLOPT_WRITEDATA, &context);
    curl().easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
    curl().easy_setopt(e, CURLOPT_HEADERDATA, &context);
    curl().easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl().easy_setopt(e, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl().easy_setopt(e, CURLOPT_XFERINFODATA, &context);
    char error_text[CURL_ERROR_SIZE] = "";
    curl().easy_setopt(e, CURLOPT_ERRORBUFFER, error_text);

    CURLcode code = curl().easy_perform(e);
    curl().easy_getinfo(e, CURLINFO_RESPONSE_CODE, &result.status);
    char* location = nullptr;
    if (curl().easy_getinfo(e, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location)
        result.redirect_url = location;

    if (code == CURLE_OK)
        return result;
    win::DWORD error = context.timed_out           ? ERROR_INTERNET_TIMEOUT
                       : context.cancelled         ? ERROR_INTERNET_OPERATION_CANCELLED
                       : code == CURLE_WRITE_ERROR ? ERROR_INTERNET_CONNECTION_ABORTED
                                                   : map_curl_error(code);
    if (!context.cancelled)
        result.failure = describe_failure(e, code, context.timed_out, order.url, error_text);
    if (result.status > 0 && !result.header_lines.empty()) {
        result.body_error = error;
    } else {
        result.error = error;
        result.header_lines.clear();
        result.body.clear();
        result.status = 0;
    }
    return result;
}

}  // namespace quilbex::wininet
