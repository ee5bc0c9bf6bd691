#pragma once
// http_request: the application's one routine for talking HTTP. Every call
// opens its own WinInet session, connection and request (DLL commands, bound
// by name on first use) and closes all three before it returns, so it may run
// on several threads at once. It never raises an error and never shows a
// message: a call that gets no request handle returns the empty byte set and
// leaves its out-parameters as they were.

#include "app/net/TextOps.h"

#include <cstdint>
#include <optional>

namespace quilbex::app {

// The thirteen parameters, in their order. An optional parameter that is not
// given is std::nullopt or a null pointer; for the by-reference texts (4, 5
// and 7) a non-null pointer means "given" even when the text it holds is
// empty.
struct HttpRequestArgs {
    const char* url = nullptr;  // 1: "http://..." or "https://..."
    std::optional<std::int32_t> method = std::nullopt;  // 2: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS,
                                                        //    5 DELETE, 6 TRACE, 7 CONNECT; others GET
    const char* body_text = nullptr;  // 3: used when method is not 0 and no body_bytes
    Text* cookies = nullptr;  // 4: sent; receives the merged cookies
    Text* returned_cookies = nullptr;  // 5: the cookies the response set (or the merge)
    const char* extra_headers = nullptr;  // 6: header lines, CR LF separated
    Text* returned_headers = nullptr;  // 7: the raw response headers
    std::optional<bool> no_redirect = std::nullopt;  // 8: default false
    const unsigned char* body_bytes = nullptr;  // 9: byte set; wins over body_text
    const char* proxy = nullptr;  // 10: "host:port"; empty is direct
    std::optional<bool> merge_cookies = std::nullopt;  // 11: default true
    std::optional<bool> complete_headers = std::nullopt;  // 12: default true
    std::optional<bool> normalise_names = std::nullopt;  // 13: default true
};

// The response body as received (whatever its status), or the empty byte set.
ByteSet http_request(const HttpRequestArgs& args);

// Whether the calling thread's last http_request got a response from the
// server (any status) and all of its body. False after a failed connection,
// a refused certificate, a request that could not be opened, or a body that
// broke off (a cut connection, a stall, a body over the transfer's limit):
// its part is still returned. The flows turn all of
// those into an empty body; an unattended run needs to tell them apart from
// a server that answered with nothing.
bool last_request_answered();

// Header lines with each name's pieces (split at "-") given a capital first
// byte; lines without ":" and empty lines are dropped.
Text normalise_header_names(const char* headers);

// The host of a URL in lower case, with ":port" when keep_port and the URL has
// one. A URL without a scheme is read as http.
Text url_host(const char* url, bool keep_port = false);

// The URL's port, or 443 for https and 80 otherwise.
std::int32_t url_port(const char* url);

// Everything from the first "/" after the host, query included; "/" when none.
Text url_path(const char* url);

// The user agent that a request without a User-Agent line is sent with.
inline constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

}  // namespace quilbex::app
