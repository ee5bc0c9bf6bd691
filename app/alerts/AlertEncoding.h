#pragma once
// The encodings an alert's texts go through on their way out: into a URL, a
// JSON or form body, and a mail's header and body. Texts are UTF-8.

#include <string>
#include <string_view>

namespace quilbex::app {

// Every byte outside A-Z a-z 0-9 - _ . ~ as "%XX" (upper-case hex), so that
// the text stands as one value in a URL's path or query or a form body.
std::string percent_encode(std::string_view text);

// The inside of a JSON string literal: quote, backslash and control
// characters escaped, everything else (UTF-8 included) as it is.
std::string json_escape(std::string_view text);

std::string base64(std::string_view bytes);

// A header value as RFC 2047 encoded words ("=?UTF-8?B?...?="), each at most
// 75 characters and holding whole characters only, joined by CR LF and a
// space (folded header lines).
std::string encoded_words(std::string_view text);

}  // namespace quilbex::app
