#pragma once
// The application's bridges between its GBK texts and the UTF-8, percent-
// encoded and "\u"-escaped texts of the web services. None reports an error:
// failures give the empty text or the empty byte set.
//
//   text_between(text, left, right, [start = 1], [ignore_case = false])
//       the bytes strictly between the first `left` at or after `start` and
//       the next `right` after it; "#引号" in a marker stands for '"'
//   url_encode(text, keep_safe, utf8)
//       every byte as "%XX" (upper-case hex) except, with keep_safe,
//       "-", ".", digits and letters; with utf8 the UTF-8 bytes are encoded
//   url_decode(text, [utf8 = false])
//       "%XX" becomes the byte (a "%" not followed by two hex digits stays
//       as it is; "%00" is dropped); "+" stays "+"; with utf8 the decoded
//       bytes are read as UTF-8
//   gbk_to_utf8, utf8_to_gbk
//       whole texts through UTF-16 (the result ends at its first zero byte)
//   convert_charset(bytes, from = "UTF-8", to = "GBK", [skip])
//       a body read as text in one charset and written in the other through
//       the stream object (the text passes through GBK on the way); with
//       skip, that many bytes of the result are skipped
//   unescape_unicode(text)
//       "\uXXXX" and "%uXXXX"/"%XX" escapes turned into characters exactly
//       as the script engine's unescape() would turn them, on the text read
//       as the script control reads a text; a lone carriage return at the
//       start is dropped; everything else (quotes, backslashes, line breaks)
//       comes back unchanged. When that gives the empty text, the fallback
//       reads the bytes as UTF-16
//   unescape_percent(text)
//       "%uXXXX" and "%XX" escapes turned into characters as the script
//       engine's unescape() would turn them, on the text read as the script
//       control reads a text; nothing else changes (the result ends at its
//       first zero character)
//   bytes_as_unicode_text(bytes)
//       the bytes read as UTF-16LE text through the stream object

#include "commands/Facade.h"

#include <cstdint>
#include <optional>

namespace quilbex::app {

using commands::ByteSet;
using commands::Text;

Text text_between(const char* text, const char* left, const char* right,
                  std::optional<std::int32_t> start = std::nullopt, bool ignore_case = false);
Text url_encode(const char* text, bool keep_safe, bool utf8);
Text url_decode(const char* text, bool utf8 = false);
Text gbk_to_utf8(const char* text);
Text utf8_to_gbk(const char* text);
ByteSet convert_charset(const unsigned char* bytes, const char* from = nullptr, const char* to = nullptr,
                        std::optional<std::int32_t> skip = std::nullopt);
Text unescape_unicode(const char* text);
Text unescape_percent(const char* text);
Text bytes_as_unicode_text(const unsigned char* bytes);

}  // namespace quilbex::app
