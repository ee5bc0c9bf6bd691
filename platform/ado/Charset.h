#pragma once
// The character sets the stream object reads and writes text in, found by
// name without regard to case, with the byte-order mark the platform's
// stream writes for them (empty when it writes none).

#include <optional>
#include <string>
#include <string_view>

namespace quilbex::ado {

class StreamBuffer;

struct Charset {
    std::string name;  // as the caller gave it
    const char* converter;  // iconv name
    std::string_view bom;  // written before new text, skipped when reading it
};

std::optional<Charset> find_charset(std::u16string_view name);

// Bytes that are not valid in the set become U+FFFD; characters that the set
// cannot hold become "?". Neither fails.
std::u16string decode_text(std::string_view bytes, const Charset& charset);
std::string encode_text(std::u16string_view text, const Charset& charset);
// encode_text appended to `out`; false when out of memory (`out` is then
// unchanged).
bool encode_text_append(std::u16string_view text, const Charset& charset, StreamBuffer& out);
// decode_text straight into a new BSTR (null when out of memory).
char16_t* decode_to_bstr(std::string_view bytes, const Charset& charset);

}  // namespace quilbex::ado
