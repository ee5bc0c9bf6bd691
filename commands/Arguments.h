#pragma once
// Reading command arguments and filling command results. Every command reads
// its argument records through these helpers so that omitted arguments, null
// texts and the numeric types are treated alike everywhere.

#include "runtime/ArgRecord.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quilbex::commands {

// Argument i, or an omitted record (all zeros) when fewer were passed.
inline rt::ArgRecord argument(int argc, const rt::ArgRecord* args, int i) {
    return i < argc && args ? args[i] : rt::ArgRecord{};
}

// A text argument: null counts as the empty text.
inline std::string_view text_of(const rt::ArgRecord& record) {
    const char* text = record.text();
    return text ? std::string_view(text) : std::string_view();
}

// A numeric argument as a 32-bit integer (bytes zero-extended, shorts
// sign-extended, long integers cut to their low half, reals truncated toward
// zero); any other type gives its low 32 bits.
std::int32_t int_of(const rt::ArgRecord& record);

// An optional integer argument: nullopt when omitted.
inline std::optional<std::int32_t> optional_int(int argc, const rt::ArgRecord* args, int i) {
    rt::ArgRecord record = argument(argc, args, i);
    if (record.omitted())
        return std::nullopt;
    return int_of(record);
}

// The bytes of a byte-set argument (null or a non-byte-set type: none).
std::span<const unsigned char> bytes_of(const rt::ArgRecord& record);

// Result writers. Texts and byte sets are copied into new runtime blocks;
// nothing becomes the null pointer.
void set_int(rt::ArgRecord* result, std::int32_t value);
void set_bool(rt::ArgRecord* result, bool value);
void set_double(rt::ArgRecord* result, double value, std::uint32_t type = rt::kTypeDouble);
void set_text(rt::ArgRecord* result, std::string_view bytes);
void set_byte_set(rt::ArgRecord* result, std::span<const unsigned char> bytes);
void set_byte_set(rt::ArgRecord* result, std::string_view bytes);

}  // namespace quilbex::commands
