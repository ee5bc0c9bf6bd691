#pragma once
// The edit box unit's property block (versions 0 to 2), fields in stored
// order. The password character is the one 16-bit field; the two further
// texts exist from version 2 only.

#include "forms/blocks/BlockStream.h"

#include <array>

namespace quilbex::forms {

struct EditBoxBlock {
    static constexpr std::uint32_t kMaxVersion = 2;

    std::uint32_t version = kMaxVersion;
    std::int32_t border = 1;  // as the label's border styles; 1 sunken
    std::uint32_t text_colour = 0;  // kSystemColour = system default
    std::uint32_t background_colour = 0xFFFFFF;
    std::int32_t hide_selection = 1;
    std::int32_t max_length = 0;  // bytes; 0 = the control's default
    std::int32_t multi_line = 0;
    std::int32_t scroll_bars = 0;  // 0 none, 1 horizontal, 2 vertical, 3 both
    std::int32_t alignment = 0;  // 0 left, 1 centre, 2 right
    std::int32_t input_mode = 0;  // 0 normal, 1 read-only, 2 password
    std::uint16_t password_char = '*';
    std::int32_t case_conversion = 0;  // 0 none, 1 lower, 2 upper
    std::int32_t adjuster = 0;  // 0 none, 1 or 2 kinds of up-down control
    std::int32_t adjuster_lower = 0;
    std::int32_t adjuster_upper = 100;
    std::int32_t selection_start = 0;
    std::int32_t selection_length = 0;
    Bytes font;  // a 60-byte LOGFONTA when present
    std::string content;
    std::array<std::string, 2> further_texts;

    bool operator==(const EditBoxBlock&) const = default;
};

inline constexpr std::int32_t kInputNormal = 0;
inline constexpr std::int32_t kInputReadOnly = 1;
inline constexpr std::int32_t kInputPassword = 2;

Parsed<EditBoxBlock> read_edit_box_block(std::span<const std::uint8_t> block);
Parsed<Bytes> write_edit_box_block(const EditBoxBlock& block);

}  // namespace quilbex::forms
