#include "commands/Arguments.h"

#include "runtime/Blocks.h"
#include "runtime/Memory.h"

#include <cmath>
#include <limits>

namespace quilbex::commands {

std::int32_t int_of(const rt::ArgRecord& record) {
    auto truncate = [](double value) {
        double t = std::trunc(value);
        // Out of range (or NaN) gives the x86 "integer indefinite", as the
        // platform's conversion does, instead of undefined behaviour.
        if (!(t >= -2147483648.0 && t <= 2147483647.0))
            return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(t);
    };
    switch (record.type) {
    case rt::kTypeByte: return static_cast<std::int32_t>(record.low & 0xFF);
    case rt::kTypeShort: return static_cast<std::int16_t>(record.low & 0xFFFF);
    case rt::kTypeFloat: return truncate(record.as_float());
    case rt::kTypeDouble: return truncate(record.as_double());
    default: return static_cast<std::int32_t>(record.low);
    }
}

std::span<const unsigned char> bytes_of(const rt::ArgRecord& record) {
    if (record.type != rt::kTypeByteSet && record.type != (rt::kTypeByte | rt::kByReference))
        return {};
    return rt::byte_set_bytes(record.pointer());
}

void set_int(rt::ArgRecord* result, std::int32_t value) { *result = rt::ArgRecord::of_int(value); }

void set_bool(rt::ArgRecord* result, bool value) { *result = rt::ArgRecord::of_bool(value); }

void set_double(rt::ArgRecord* result, double value, std::uint32_t type) {
    *result = rt::ArgRecord::of_double(value, type);
}

void set_text(rt::ArgRecord* result, std::string_view bytes) {
    *result = rt::ArgRecord::of_pointer(rt::make_text(bytes), rt::kTypeText);
}

void set_byte_set(rt::ArgRecord* result, std::span<const unsigned char> bytes) {
    *result = rt::ArgRecord::of_pointer(rt::make_byte_set(bytes.data(), bytes.size()), rt::kTypeByteSet);
}

void set_byte_set(rt::ArgRecord* result, std::string_view bytes) {
    *result = rt::ArgRecord::of_pointer(rt::make_byte_set(bytes.data(), bytes.size()), rt::kTypeByteSet);
}

}  // namespace quilbex::commands
