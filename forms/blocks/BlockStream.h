#pragma once
// Shared rules of the units' property blocks.
//
// A block is a stream of 32-bit little-endian integers, byte arrays and
// texts that starts with a version. Every reader follows the same rules:
//   - an empty block gives the type's defaults;
//   - a version above the type's maximum is refused;
//   - fields that the block's version does not have keep their defaults;
//   - a block that ends inside a field, or has bytes after its last field,
//     is refused (a unit is then not created).

#include "forms/template/ByteStream.h"

#include <cstdint>
#include <span>
#include <string>

namespace quilbex::forms {

// Stands for the system's button-face colour wherever a colour is stored.
inline constexpr std::uint32_t kSystemColour = 0xFF000000;

// Reads the version and checks it against `max_version`.
inline std::uint32_t read_block_version(ByteReader& in, std::uint32_t max_version, const char* block) {
    std::uint32_t version = in.u32("block version");
    if (!in.failed() && version > max_version)
        in.fail(std::string(block) + " block version " + std::to_string(version) + " is above " +
                std::to_string(max_version));
    return version;
}

// Turns a finished reader into the block's result.
template <typename Block> Parsed<Block> finish_block(ByteReader& in, Block block, const char* name) {
    if (!in.failed() && !in.at_end())
        in.fail(std::string(name) + " block: " + std::to_string(in.remaining()) + " bytes after the last field");
    if (in.failed())
        return in.error();
    return block;
}

}  // namespace quilbex::forms
