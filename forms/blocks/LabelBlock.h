#pragma once
// The label unit's property block (versions 0 to 2). Fields in stored order;
// the two further texts exist from version 2 only. Colours are 0x00BBGGRR,
// kSystemColour meaning the system's button-face colour.

#include "forms/blocks/BlockStream.h"

#include <array>

namespace quilbex::forms {

struct LabelBlock {
    static constexpr std::uint32_t kMaxVersion = 2;

    std::uint32_t version = kMaxVersion;
    std::int32_t effect = 0;  // 0 none, 1 engraved, 2 embossed, 3 shadowed
    std::int32_t frame_width = 8;  // gradient frame width
    std::int32_t border = 0;  // 0..6, 6 = gradient frame
    std::array<std::uint32_t, 3> frame_colours{0x808080, 0xFFFFFF, 0x808080};
    std::uint32_t text_colour = 0;
    std::uint32_t background_colour = kSystemColour;
    std::int32_t picture_mode = 1;
    std::int32_t gradient_mode = 0;  // 0 none, up to 8
    std::array<std::uint32_t, 3> gradient_colours{0x808080, 0xFFFFFF, 0x808080};
    std::int32_t horizontal_alignment = 0;  // 0 left, 1 centre, 2 right
    std::int32_t vertical_alignment = 1;  // 0 top, 1 centre, 2 bottom
    std::int32_t word_wrap = 0;
    Bytes font;  // a 60-byte LOGFONTA when present
    Bytes background_picture;
    std::string caption;  // a new label's caption is empty
    std::array<std::string, 2> further_texts;

    bool operator==(const LabelBlock&) const = default;
};

Parsed<LabelBlock> read_label_block(std::span<const std::uint8_t> block);
Parsed<Bytes> write_label_block(const LabelBlock& block);

}  // namespace quilbex::forms
