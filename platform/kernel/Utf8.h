#pragma once
// Reading UTF-8 byte by byte, for code that must look at each character of a
// text that may not be well-formed (a reply, a path).

#include <cstddef>
#include <string_view>

namespace quilbex::kernel {

// The length of the well-formed UTF-8 sequence that begins at `at` (1 to 4),
// or 0 when none does there: a byte that cannot lead, a sequence cut short,
// an over-long form, a surrogate or a code point past U+10FFFF.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at);

// Whether the well-formed sequence at `at` is a C1 control (U+0080 to U+009F).
inline bool is_c1_control(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]) == 0xC2 && at + 1 < text.size() &&
           static_cast<unsigned char>(text[at + 1]) < 0xA0;
}

// The columns a UTF-8 text takes in a terminal: East Asian wide and
// full-width characters (Chinese among them) take two, combining marks none,
// and a byte that is not well-formed UTF-8 one (it is shown as U+FFFD). It
// does not depend on the process's locale, as wcwidth does.
std::size_t display_width(std::string_view text);

}  // namespace quilbex::kernel
