// Rules every property block follows: an empty block gives the defaults, a
// version above the maximum is refused, a block that is cut short or has
// bytes left over is refused, and what is written reads back the same.

#include "forms/blocks/BrowserBlock.h"
#include "forms/blocks/ButtonBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/LabelBlock.h"
#include "forms/blocks/TimerBlock.h"
#include "forms/blocks/WindowBlock.h"

#include <gtest/gtest.h>

namespace quilbex::forms {
namespace {

template <typename Block> struct Codec;

#define QUILBEX_BLOCK_CODEC(Block, reader, writer, max)                                                                \
    template <> struct Codec<Block> {                                                                                  \
        static Parsed<Block> read(std::span<const std::uint8_t> b) { return reader(b); }                               \
        static Parsed<Bytes> write(const Block& b) { return writer(b); }                                               \
        static constexpr std::uint32_t kMax = max;                                                                     \
    };
QUILBEX_BLOCK_CODEC(WindowBlock, read_window_block, write_window_block, 6)
QUILBEX_BLOCK_CODEC(LabelBlock, read_label_block, write_label_block, 2)
QUILBEX_BLOCK_CODEC(ButtonBlock, read_button_block, write_button_block, 1)
QUILBEX_BLOCK_CODEC(EditBoxBlock, read_edit_box_block, write_edit_box_block, 2)
QUILBEX_BLOCK_CODEC(TimerBlock, read_timer_block, write_timer_block, 1)
QUILBEX_BLOCK_CODEC(BrowserBlock, read_browser_block, write_browser_block, 1)
#undef QUILBEX_BLOCK_CODEC

// A block with every field away from its default, so that a field read into
// the wrong place shows up.
WindowBlock changed(WindowBlock b) {
    b.border = 5, b.further_3 = 7, b.background_colour = 0xE3E3E3, b.maximize_box = 1, b.minimize_box = 0;
    b.control_box = 0, b.start_position = 3, b.close_button = 0, b.further_10 = 11, b.enter_moves_focus = 1;
    b.esc_closes = 0, b.f1_opens_help = 1, b.help_context = 14, b.show_in_taskbar = 0, b.further_16 = 16;
    b.further_17 = 17, b.always_on_top = 1, b.further_19 = 19, b.class_name = "cls";
    b.background_picture = {1}, b.icon = {2, 2}, b.further_bytes = {3, 3, 3}, b.title = "title";
    b.help_file = "help";
    return b;
}
LabelBlock changed(LabelBlock b) {
    b.effect = 3, b.frame_width = 2, b.border = 6, b.frame_colours = {1, 2, 3}, b.text_colour = 4;
    b.background_colour = 5, b.picture_mode = 2, b.gradient_mode = 8, b.gradient_colours = {6, 7, 8};
    b.horizontal_alignment = 2, b.vertical_alignment = 0, b.word_wrap = 1, b.font = {9};
    b.background_picture = {10, 11}, b.caption = "caption", b.further_texts = {"x", "yz"};
    return b;
}
ButtonBlock changed(ButtonBlock b) {
    b.type = 1, b.horizontal_alignment = 2, b.vertical_alignment = 0, b.picture = {1, 2}, b.font = {3};
    b.caption = "go";
    return b;
}
EditBoxBlock changed(EditBoxBlock b) {
    b.border = 0, b.text_colour = 0xFFFFFF, b.background_colour = 0, b.hide_selection = 0, b.max_length = 9;
    b.multi_line = 1, b.scroll_bars = 3, b.alignment = 2, b.input_mode = 2, b.password_char = 0x2022;
    b.case_conversion = 1, b.adjuster = 2, b.adjuster_lower = -5, b.adjuster_upper = 5, b.selection_start = 1;
    b.selection_length = 2, b.font = {7}, b.content = "text", b.further_texts = {"a", "b"};
    return b;
}
TimerBlock changed(TimerBlock b) {
    b.interval = -5;
    return b;
}
BrowserBlock changed(BrowserBlock b) {
    b.disable_f5_reload = 1, b.cookie_mode = 2, b.address = "https://a/", b.cache_directory = "c";
    b.cookie_directory = "d", b.user_agent = "agent", b.new_window_navigation = 1;
    return b;
}

template <typename Block> class BlockRules : public ::testing::Test {};
using BlockTypes = ::testing::Types<WindowBlock, LabelBlock, ButtonBlock, EditBoxBlock, TimerBlock, BrowserBlock>;
TYPED_TEST_SUITE(BlockRules, BlockTypes);

TYPED_TEST(BlockRules, empty_block_gives_the_defaults) {
    auto read = Codec<TypeParam>::read({});
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), TypeParam{});
}

TYPED_TEST(BlockRules, changed_fields_read_back_and_rewrite_the_same_bytes) {
    TypeParam block = changed(TypeParam{});
    Bytes bytes = Codec<TypeParam>::write(block).value();
    auto read = Codec<TypeParam>::read(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read.value(), block);
    EXPECT_EQ(Codec<TypeParam>::write(read.value()).value(), bytes);
}

TYPED_TEST(BlockRules, version_above_the_maximum_is_refused) {
    Bytes bytes = Codec<TypeParam>::write(changed(TypeParam{})).value();
    bytes[0] = static_cast<std::uint8_t>(Codec<TypeParam>::kMax + 1);
    auto read = Codec<TypeParam>::read(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().message.find("version"), std::string::npos);
    bytes[0] = bytes[1] = bytes[2] = bytes[3] = 0xFF;
    EXPECT_FALSE(Codec<TypeParam>::read(bytes).ok());
}

TYPED_TEST(BlockRules, cut_short_or_with_bytes_left_over_is_refused) {
    Bytes bytes = Codec<TypeParam>::write(changed(TypeParam{})).value();
    for (std::size_t n = 1; n < bytes.size(); ++n)
        EXPECT_FALSE(Codec<TypeParam>::read(std::span(bytes).first(n)).ok()) << n << " bytes";
    bytes.push_back(0);
    EXPECT_FALSE(Codec<TypeParam>::read(bytes).ok());
}

// Builds a block field by field.
struct Fields {
    ByteWriter out;
    Fields& i(std::int32_t v) { return out.i32(v), *this; }
    Fields& n(int count, std::int32_t v) {
        for (int k = 0; k < count; ++k)
            out.i32(v);
        return *this;
    }
    Fields& t(const std::string& s) { return out.counted_text(s), *this; }
    Fields& z(const std::string& s) { return out.zero_text(s, "text"), *this; }
    Bytes take() { return out.take(); }
};

TEST(BlockVersions, window_fields_a_version_lacks_keep_their_defaults) {
    // Version 1: the fourteen base fields, then the byte arrays and texts.
    Bytes v1 = Fields{}.i(1).n(13, 0).t("").t("").t("").t("title").t("").take();
    auto read = read_window_block(v1);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read.value().title, "title");
    EXPECT_EQ(read.value().show_in_taskbar, 1);
    EXPECT_EQ(read.value().always_on_top, 0);
    EXPECT_EQ(write_window_block(read.value()).value(), v1);

    // Version 4 has always on top but not the version 5 setting or the class name.
    Bytes v4 = Fields{}.i(4).n(13, 0).i(0).n(2, 0).i(1).t("").t("").t("").t("").t("").take();
    auto read4 = read_window_block(v4);
    ASSERT_TRUE(read4.ok()) << read4.error().message;
    EXPECT_EQ(read4.value().always_on_top, 1);
    EXPECT_EQ(read4.value().show_in_taskbar, 0);
}

TEST(BlockVersions, label_and_edit_box_further_texts_exist_from_version_2) {
    Bytes label_v1 = Fields{}.i(1).n(16, 0).t("").t("").t("cap").take();
    auto label = read_label_block(label_v1);
    ASSERT_TRUE(label.ok()) << label.error().message;
    EXPECT_EQ(label.value().caption, "cap");
    EXPECT_EQ(write_label_block(label.value()).value(), label_v1);
    EXPECT_FALSE(read_label_block(Fields{}.i(2).n(16, 0).t("").t("").t("cap").take()).ok());

    ByteWriter edit;
    edit.u32(1);
    for (int k = 0; k < 9; ++k)
        edit.i32(0);
    edit.u16('#');
    for (int k = 0; k < 6; ++k)
        edit.i32(0);
    edit.counted_text("");
    edit.counted_text("content");
    Bytes edit_v1 = edit.take();
    auto box = read_edit_box_block(edit_v1);
    ASSERT_TRUE(box.ok()) << box.error().message;
    EXPECT_EQ(box.value().password_char, '#');
    EXPECT_EQ(box.value().content, "content");
    EXPECT_EQ(write_edit_box_block(box.value()).value(), edit_v1);
}

TEST(BlockVersions, timer_accepts_version_0) {
    auto timer = read_timer_block(Fields{}.i(0).i(250).take());
    ASSERT_TRUE(timer.ok());
    EXPECT_EQ(timer.value().interval, 250);
}

}  // namespace
}  // namespace quilbex::forms
