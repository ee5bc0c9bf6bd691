#pragma once
// UTF-16 <-> UTF-8 without a converter object. Both directions are total:
// text from scripts and files may hold lone surrogates or broken bytes, and
// none of that may be lost silently or make a conversion fail.

#include <string>
#include <string_view>

namespace quilbex::com {

enum class Utf8Form {
    // Surrogate pairs become one 4-byte sequence.
    Standard,
    // Every UTF-16 unit becomes its own sequence (CESU-8), the form the
    // script engine keeps its strings in.
    Cesu8,
};

// A lone surrogate becomes U+FFFD in the standard form and a 3-byte sequence
// of its own in CESU-8.
std::string utf8_from_utf16(std::u16string_view text, Utf8Form form = Utf8Form::Standard);

// Accepts standard UTF-8 and CESU-8 (3-byte surrogates). A byte that does not
// start a well-formed sequence becomes U+FFFD.
std::u16string utf16_from_utf8(std::string_view text);
// The same into a caller buffer of at least text.size() units; returns the
// number written.
std::size_t utf16_from_utf8_into(std::string_view text, char16_t* out);

}  // namespace quilbex::com
