#pragma once
// GBK (code page 936) <-> UTF-8 at the toolkit boundary. Texts inside the
// program are GBK; the toolkit and its users' eyes see UTF-8.

#include <string>
#include <string_view>

namespace quilbex::ui {

// Converts GBK bytes to UTF-8. Bytes that are not valid GBK become U+FFFD, so
// a damaged text still shows and never fails the caller.
std::string gbk_to_utf8(std::string_view gbk);

// Converts UTF-8 to GBK. Characters without a GBK form become '?'.
std::string utf8_to_gbk(std::string_view utf8);

// True when the byte starts a two-byte GBK character.
inline bool is_gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// The length in bytes of the character that starts at `pos` (1 or 2; a lead
// byte at the very end counts as one byte).
std::size_t gbk_char_length(std::string_view text, std::size_t pos);

// The largest character boundary at or below `pos`.
std::size_t gbk_floor_boundary(std::string_view text, std::size_t pos);

}  // namespace quilbex::ui
