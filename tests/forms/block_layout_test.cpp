// Exact bytes of the property blocks the program's windows store, the
// defaults that an empty block stands for, and the 60-byte font form.

#include "forms/blocks/BrowserBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/LabelBlock.h"
#include "forms/blocks/LogFontBytes.h"
#include "forms/blocks/WindowBlock.h"

#include <gtest/gtest.h>

namespace quilbex::forms {
namespace {

std::uint32_t u32_at(const Bytes& b, std::size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

TEST(BlockLayout, edit_box_defaults_are_a_sunken_white_single_line_box) {
    EditBoxBlock box = read_edit_box_block({}).value();
    EXPECT_EQ(box.border, 1);
    EXPECT_EQ(box.text_colour, 0u);
    EXPECT_EQ(box.background_colour, 0xFFFFFFu);
    EXPECT_EQ(box.hide_selection, 1);
    EXPECT_EQ(box.multi_line, 0);
    EXPECT_EQ(box.input_mode, kInputNormal);
    EXPECT_EQ(box.password_char, u'*');
    EXPECT_EQ(box.adjuster_lower, 0);
    EXPECT_EQ(box.adjuster_upper, 100);
    EXPECT_TRUE(box.content.empty());
}

TEST(BlockLayout, edit_box_password_character_is_the_one_16_bit_field) {
    EditBoxBlock box;
    box.input_mode = kInputReadOnly;
    box.password_char = 0x1234;
    box.case_conversion = 2;
    Bytes bytes = write_edit_box_block(box).value();
    // 10 integers, 2 bytes, 6 integers, then a font, content and two texts.
    ASSERT_EQ(bytes.size(), 40u + 2 + 24 + 4 * 4);
    EXPECT_EQ(u32_at(bytes, 36), 1u);
    EXPECT_EQ(bytes[40], 0x34);
    EXPECT_EQ(bytes[41], 0x12);
    EXPECT_EQ(u32_at(bytes, 42), 2u);
}

TEST(BlockLayout, window_block_places_title_after_the_byte_arrays) {
    WindowBlock w;
    w.background_colour = 0xE3E3E3;
    w.icon = Bytes(5, 0x11);
    w.title = "T";
    Bytes bytes = write_window_block(w).value();
    EXPECT_EQ(u32_at(bytes, 0), 6u);
    EXPECT_EQ(u32_at(bytes, 12), 0xE3E3E3u);
    // 19 integers, class name, picture, icon (5 bytes), byte array, title, help file.
    ASSERT_EQ(bytes.size(), 19u * 4 + 4 + 4 + 9 + 4 + 5 + 4);
    EXPECT_EQ(u32_at(bytes, 84), 5u);
    EXPECT_EQ(u32_at(bytes, 97), 1u);
    EXPECT_EQ(bytes[101], 'T');
}

TEST(BlockLayout, browser_block_stores_zero_terminated_texts) {
    BrowserBlock b;
    b.address = "ab";
    b.user_agent = "u";
    b.new_window_navigation = 3;
    Bytes bytes = write_browser_block(b).value();
    Bytes expected = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 0, 0, 0, 'u', 0, 3, 0, 0, 0};
    EXPECT_EQ(bytes, expected);

    Bytes unterminated = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'a', 'b'};
    EXPECT_FALSE(read_browser_block(unterminated).ok());
    b.address = std::string("a\0b", 3);
    EXPECT_FALSE(write_browser_block(b).ok());
}

TEST(BlockLayout, logfont_is_used_only_at_exactly_60_bytes) {
    LogFont font;
    font.height = -12;
    font.weight = 700;
    font.italic = 1;
    font.char_set = 134;
    font.pitch_and_family = 0x22;
    font.face_name = "\xcb\xce\xcc\xe5";
    Bytes bytes = encode_logfont(font);
    ASSERT_EQ(bytes.size(), kLogFontSize);
    EXPECT_EQ(u32_at(bytes, 0), 0xFFFFFFF4u);
    EXPECT_EQ(u32_at(bytes, 16), 700u);
    EXPECT_EQ(bytes[20], 1);
    EXPECT_EQ(bytes[23], 134);
    EXPECT_EQ(bytes[27], 0x22);
    EXPECT_EQ(bytes[28], 0xcb);
    EXPECT_EQ(decode_logfont(bytes), font);

    EXPECT_FALSE(decode_logfont(Bytes(59, 0)).has_value());
    EXPECT_FALSE(decode_logfont(Bytes(61, 0)).has_value());
    EXPECT_FALSE(decode_logfont({}).has_value());
}

TEST(BlockLayout, logfont_face_names_are_bounded_by_their_32_bytes) {
    Bytes full(kLogFontSize, 0);
    std::fill(full.begin() + 28, full.end(), 'F');
    EXPECT_EQ(decode_logfont(full)->face_name, std::string(32, 'F'));

    LogFont font;
    font.face_name = std::string(40, 'G');
    Bytes bytes = encode_logfont(font);
    ASSERT_EQ(bytes.size(), kLogFontSize);
    EXPECT_EQ(bytes[59], 0);
    EXPECT_EQ(decode_logfont(bytes)->face_name, std::string(31, 'G'));
}

}  // namespace
}  // namespace quilbex::forms
