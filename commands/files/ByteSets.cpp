// Byte-set commands.

#include "commands/Arguments.h"
#include "commands/files/FileCommands.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace quilbex::commands::lib {
namespace {

using Bytes = std::span<const unsigned char>;

std::size_t built_in_size(std::uint32_t type) {
    switch (type) {
    case rt::kTypeByte: return 1;
    case rt::kTypeShort: return 2;
    case rt::kTypeInt:
    case rt::kTypeFloat:
    case rt::kTypeBool: return 4;
    case rt::kTypeLong:
    case rt::kTypeDouble:
    case rt::kTypeDateTime:
    case rt::kTypeEightByte: return 8;
    case rt::kTypeSubroutine: return sizeof(void*);  // an address is pointer-wide here
    default: return 0;
    }
}

}  // namespace

void byte_set_length(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_int(result, static_cast<std::int32_t>(bytes_of(argument(argc, args, 0)).size()));
}

void to_byte_set(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    rt::ArgRecord value = argument(argc, args, 0);
    if (value.type & rt::kByReference) {
        std::size_t size = rt::numeric_size(value.type);
        const void* block = value.pointer();
        if (!size || !block)
            return set_byte_set(result, Bytes());
        return set_byte_set(result, Bytes(rt::array_data(block), rt::array_element_count(block) * size));
    }
    if (value.type == rt::kTypeText)
        return set_byte_set(result, text_of(value));
    if (value.type == rt::kTypeByteSet)
        return set_byte_set(result, bytes_of(value));
    std::size_t size = built_in_size(value.type);
    unsigned char raw[8];
    std::uint32_t halves[2] = {value.low, value.high};
    std::memcpy(raw, halves, sizeof raw);
    set_byte_set(result, Bytes(raw, size));
}

void left_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    Bytes bytes = bytes_of(argument(argc, args, 0));
    std::int32_t n = int_of(argument(argc, args, 1));
    if (n < 0)
        return set_byte_set(result, Bytes());
    set_byte_set(result, bytes.first(std::min(bytes.size(), static_cast<std::size_t>(n))));
}

void mid_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    Bytes bytes = bytes_of(argument(argc, args, 0));
    std::int64_t b = std::clamp<std::int64_t>(std::int64_t{int_of(argument(argc, args, 1))} - 1, 0,
                                              static_cast<std::int64_t>(bytes.size()));
    std::int64_t c = std::max<std::int32_t>(int_of(argument(argc, args, 2)), 0);
    std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(c), bytes.size() - static_cast<std::size_t>(b));
    set_byte_set(result, bytes.subspan(static_cast<std::size_t>(b), count));
}

void replace_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    Bytes bytes = bytes_of(argument(argc, args, 0));
    Bytes search = bytes_of(argument(argc, args, 1));
    Bytes replacement = bytes_of(argument(argc, args, 2));
    auto start = optional_int(argc, args, 3);
    auto count_arg = optional_int(argc, args, 4);
    std::size_t b = start ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*start} - 1, 0)) : 0;
    std::int64_t count = count_arg ? *count_arg : -1;
    if (bytes.empty() || search.empty() || b >= bytes.size() || count == 0)
        return set_byte_set(result, bytes);

    std::string out(reinterpret_cast<const char*>(bytes.data()), b);
    std::size_t pos = b;
    while (bytes.size() - pos >= search.size()) {
        const void* first = std::memchr(bytes.data() + pos, search[0], bytes.size() - pos);
        if (!first)
            break;
        std::size_t at = static_cast<std::size_t>(static_cast<const unsigned char*>(first) - bytes.data());
        out.append(reinterpret_cast<const char*>(bytes.data() + pos), at - pos);
        pos = at;
        if (bytes.size() - pos < search.size())
            break;
        if (std::memcmp(bytes.data() + pos, search.data(), search.size()) != 0) {
            out.push_back(static_cast<char>(bytes[pos++]));
            continue;
        }
        out.append(reinterpret_cast<const char*>(replacement.data()), replacement.size());
        pos += search.size();
        if (count == 1)
            break;
        if (count != -1)
            --count;
    }
    out.append(reinterpret_cast<const char*>(bytes.data() + pos), bytes.size() - pos);
    set_byte_set(result, std::string_view(out));
}

void zero_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::int32_t n = int_of(argument(argc, args, 0));
    if (n <= 0)
        return set_byte_set(result, Bytes());
    auto* block = static_cast<unsigned char*>(rt::allocate(8 + static_cast<std::size_t>(n)));
    std::uint32_t header[2] = {1, static_cast<std::uint32_t>(n)};
    std::memcpy(block, header, sizeof header);
    std::memset(block + 8, 0, static_cast<std::size_t>(n));
    *result = rt::ArgRecord::of_pointer(block, rt::kTypeByteSet);
}

}  // namespace quilbex::commands::lib
