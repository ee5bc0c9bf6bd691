#pragma once
// Text conversions at the engine's boundary: the program hands over UTF-8
// or GBK narrow texts and UTF-16 paths; WebKit works in UTF-8.

#include <string>
#include <string_view>

namespace quilbex::engine {

// A narrow text from the program as UTF-8: valid UTF-8 is kept, anything else
// is read as GBK; bytes that are neither become U+FFFD. Null gives "".
std::string narrow_to_utf8(const char* text);

// UTF-16 (zero-terminated) to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(const char16_t* text);
std::string utf16_to_utf8(std::u16string_view text);

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::u16string utf8_to_utf16(std::string_view text);

}  // namespace quilbex::engine
