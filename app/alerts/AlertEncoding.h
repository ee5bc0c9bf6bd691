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

// The text with every byte that is not part of a well-formed UTF-8 sequence
// replaced by U+FFFD, so that it can go out under charset=utf-8: a strict
// service drops a whole message for one stray byte.
std::string valid_utf8(std::string_view text);

// The text cut to at most `max_bytes` bytes, ending in "…" when anything was
// cut, and never inside a character. `max_bytes` must leave room for the
// three bytes of "…".
std::string cut_utf8(std::string_view text, std::size_t max_bytes);

}  // namespace quilbex::app
