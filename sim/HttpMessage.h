#pragma once
// HTTP/1.1 messages as the local services see them. A request keeps its head
// exactly as it arrived (request line and header lines in order), so that
// tests can compare the bytes a client put on the wire.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quilbex::sim {

using HeaderLines = std::vector<std::pair<std::string, std::string>>;

struct Request {
    std::string method;
    std::string target;  // path and query as sent
    std::string version;  // "HTTP/1.1"
    HeaderLines headers;  // in the order received, names as sent
    std::string head;  // the raw bytes from the request line to the blank line, inclusive
    std::string body;

    // The value of the first header with this name (case-insensitive), if any.
    std::optional<std::string> header(std::string_view name) const;
    std::string path() const;  // target up to "?"
    std::string query() const;  // target after "?", or empty
};

struct Response {
    int status = 200;
    std::string reason = "OK";
    HeaderLines headers;
    std::string body;
    // Never answer: the connection is held open until the server stops. For
    // tests of clients that must give up on a silent peer.
    bool silent = false;
    // Close the connection at once without answering: a request that got
    // nothing back, as when the network went away under it.
    bool dropped = false;
    // Sent with chunked transfer coding instead of a Content-Length.
    bool chunked = false;

    static Response text(int status, std::string reason, std::string content_type, std::string body);
    static Response redirect(int status, std::string location);
};

enum class ParseResult { Complete, NeedMore, Malformed };

// Parses a request head (request line, header lines, blank line) from the
// start of `buffer`. On Complete, `head_length` is the length of the head.
ParseResult parse_request_head(std::string_view buffer, Request& request, std::size_t& head_length);

// The response as bytes on the wire. A Content-Length header is added unless
// the response names one; a chunked response goes as "Transfer-Encoding:
// chunked" in chunks of at most 256 bytes.
std::string serialise(const Response& response);

// Splits "a=1&b=2" into pairs without decoding; a piece without "=" has an
// empty value.
HeaderLines split_form(std::string_view form);

// Percent-decoding of a form value ("+" stays "+").
std::string percent_decode(std::string_view text);

bool equals_ignoring_case(std::string_view a, std::string_view b);

}  // namespace quilbex::sim
