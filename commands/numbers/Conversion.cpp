// to_integer, to_text and to_hex_text.

#include "commands/Arguments.h"
#include "commands/numbers/NumberCommands.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace quilbex::commands {
namespace {

// A C decimal integer at the start of the text: optional white space, an
// optional sign, digits. Values beyond the 32-bit range are clamped to it
// (as the platform's atoi does) rather than overflowing.
std::int32_t leading_integer(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            value = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    }
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace
}  // namespace quilbex::commands

namespace quilbex::commands::lib {

void to_integer(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    rt::ArgRecord value = argument(argc, args, 0);
    switch (value.type) {
    case rt::kTypeBool:
    case rt::kTypeInt:
    case rt::kTypeLong:
    case rt::kTypeSubroutine:
    case rt::kTypeByte:
    case rt::kTypeShort:
    case rt::kTypeFloat:
    case rt::kTypeDouble: return set_int(result, int_of(value));
    case rt::kTypeText: return set_int(result, leading_integer(half_width(text_of(value))));
    default: return set_int(result, 0);
    }
}

void to_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_text(result, value_to_text(argument(argc, args, 0)));
}

void to_hex_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    char buffer[16];
    int n = std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(int_of(argument(argc, args, 0))));
    set_text(result, std::string_view(buffer, static_cast<std::size_t>(n)));
}

}  // namespace quilbex::commands::lib
