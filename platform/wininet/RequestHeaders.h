#pragma once
// The header block of HttpSendRequestA and the header list that makes libcurl
// send exactly that block. Internal to this layer; exposed for its tests.

#include <string>
#include <string_view>
#include <vector>

namespace quilbex::wininet {

// Splits a header block into lines at CR LF (a lone LF also ends a line).
// Empty lines and lines without a ":" after a non-empty name are dropped: they
// cannot be sent as headers.
std::vector<std::string> split_header_block(std::string_view block);

// True when a line of `lines` has this header name (case-insensitive).
bool has_header(const std::vector<std::string>& lines, std::string_view name);

// The value of the first line with this name, spaces trimmed, or empty.
std::string header_value(const std::vector<std::string>& lines, std::string_view name);

// Removes every line with this name.
void remove_header(std::vector<std::string>& lines, std::string_view name);

// The lines for libcurl's header list, in order: each given line (a line
// whose value is empty becomes "Name;", libcurl's form for an empty header),
// then a removal entry ("Name:") for each header that libcurl would add by
// itself and the block does not name: Accept, Expect, Proxy-Connection and,
// when `has_body`, Content-Type.
std::vector<std::string> curl_header_lines(const std::vector<std::string>& lines, bool has_body);

}  // namespace quilbex::wininet
