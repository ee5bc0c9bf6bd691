#pragma once
// Reading the shapes of the runtime's value blocks. An array block is a 32-bit
// dimension count d, d 32-bit element counts, then the elements; a byte set is
// the one-dimensional array of bytes (1, n, bytes). Null is the empty block.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quilbex::rt {

inline std::uint32_t read_u32(const void* at) {
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline std::uint32_t array_dimensions(const void* block) { return block ? read_u32(block) : 0; }

// The product of the element counts.
inline std::size_t array_element_count(const void* block) {
    if (!block)
        return 0;
    auto* bytes = static_cast<const unsigned char*>(block);
    std::uint32_t d = read_u32(bytes);
    std::size_t count = d ? 1 : 0;
    for (std::uint32_t i = 0; i < d; ++i)
        count *= read_u32(bytes + 4 + 4 * i);
    return count;
}

inline const unsigned char* array_data(const void* block) {
    auto* bytes = static_cast<const unsigned char*>(block);
    return bytes + 4 + 4 * read_u32(bytes);
}

// 4 + 4·d + element size · product of the counts.
inline std::size_t array_block_size(const void* block, std::size_t element_size) {
    if (!block)
        return 0;
    return 4 + 4 * static_cast<std::size_t>(array_dimensions(block)) + element_size * array_element_count(block);
}

inline std::span<const unsigned char> byte_set_bytes(const void* block) {
    if (!block)
        return {};
    auto* bytes = static_cast<const unsigned char*>(block);
    return {bytes + 8, read_u32(bytes + 4)};
}

}  // namespace quilbex::rt
