// Commands that measure, cut and build texts by raw byte counts.

#include "commands/Arguments.h"
#include "commands/text/TextCommands.h"
#include "runtime/Memory.h"

#include <algorithm>
#include <cstring>

namespace quilbex::commands::lib {

void length_of_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_int(result, static_cast<std::int32_t>(text_of(argument(argc, args, 0)).size()));
}

void left_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::int32_t n = int_of(argument(argc, args, 1));
    if (n <= 0)
        return set_text(result, {});
    set_text(result, text.substr(0, static_cast<std::size_t>(n)));
}

void right_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::int32_t n = int_of(argument(argc, args, 1));
    if (n <= 0)
        return set_text(result, {});
    std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
    set_text(result, text.substr(text.size() - count));
}

void mid_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::int64_t i = static_cast<std::int64_t>(int_of(argument(argc, args, 1))) - 1;
    std::int32_t n = int_of(argument(argc, args, 2));
    if (i < 0 || i >= static_cast<std::int64_t>(text.size()) || n <= 0)
        return set_text(result, {});
    set_text(result, text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(n)));
}

void char_from_code(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    char byte = static_cast<char>(argument(argc, args, 0).low & 0xFF);
    set_text(result, byte == 0 ? std::string_view() : std::string_view(&byte, 1));
}

void char_code(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    auto position = optional_int(argc, args, 1);
    // The position less one, as an unsigned number: 0 and below are far out of range.
    std::uint32_t i = position ? static_cast<std::uint32_t>(*position) - 1u : 0u;
    if (i > text.size() || i == text.size()) {
        set_int(result, 0);  // past the end, or the terminating zero
        return;
    }
    set_int(result, static_cast<std::int32_t>(static_cast<signed char>(text[i])));
}

void space_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::int32_t n = int_of(argument(argc, args, 0));
    if (n < 1)
        return set_text(result, {});
    auto* text = static_cast<char*>(rt::allocate(static_cast<std::size_t>(n) + 1));
    std::memset(text, ' ', static_cast<std::size_t>(n));
    text[n] = '\0';
    *result = rt::ArgRecord::of_pointer(text, rt::kTypeText);
}

void starts_with(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::string_view prefix = text_of(argument(argc, args, 1));
    set_bool(result, text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0);
}

}  // namespace quilbex::commands::lib
