#pragma once
// The button unit's property block (versions 0 and 1), fields in stored order.

#include "forms/blocks/BlockStream.h"

namespace quilbex::forms {

struct ButtonBlock {
    static constexpr std::uint32_t kMaxVersion = 1;

    std::uint32_t version = kMaxVersion;
    std::int32_t type = 0;  // 0 normal, 1 default button
    std::int32_t horizontal_alignment = 1;  // 0 left, 1 centre, 2 right
    std::int32_t vertical_alignment = 1;  // 0 top, 1 centre, 2 bottom
    Bytes picture;
    Bytes font;  // a 60-byte LOGFONTA when present
    std::string caption;  // a new button's caption is empty

    bool operator==(const ButtonBlock&) const = default;
};

Parsed<ButtonBlock> read_button_block(std::span<const std::uint8_t> block);
Parsed<Bytes> write_button_block(const ButtonBlock& block);

}  // namespace quilbex::forms
