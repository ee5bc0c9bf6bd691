#pragma once
// Builds a unit's property block from the fields a forms description lists.
// Field names are the names of the block's members (forms/blocks/*.h);
// elements of a colour triple are named <member>_1 to <member>_3. Unlisted
// fields keep the block's defaults; the block is written at its version.

#include "forms/template/ByteStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quilbex::tools {

struct FieldValue {
    enum class Kind { Integer, Text, Bytes } kind = Kind::Integer;
    std::int64_t integer = 0;
    std::string text;  // GBK
    forms::Bytes bytes;
};

struct BlockField {
    std::string name;
    FieldValue value;
    int line = 0;
};

struct BlockBuildError {
    int line;
    std::string message;
};

// Returns false with `error` set for an unknown unit type, an unknown field,
// a value of the wrong kind or range, or a block the writer refuses.
bool build_block(std::uint32_t unit_type, const std::vector<BlockField>& fields, forms::Bytes& block,
                 BlockBuildError& error);

}  // namespace quilbex::tools
