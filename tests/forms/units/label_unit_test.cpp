// The label: creation from its block, and what it paints (recorded by the
// headless backend): background, gradient frame and gradients, the caption
// with its DrawText flags, and the three effects in their drawing order.

#include "UnitsFixture.h"
#include "forms/blocks/LabelBlock.h"
#include "forms/units/LabelUnit.h"
#include "support/Gbk.h"

#include <cstring>
#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

using forms::LabelBlock;
using Op = ui::DrawOp;
constexpr std::uint32_t kLabel = control_id(5);
constexpr std::int32_t kCaption = 8;
constexpr ui::RECT kRect{10, 10, 110, 40};  // a 100 x 30 client area without border

class LabelUnitTest : public ::testing::Test {
protected:
    bool start_with(const LabelBlock& block, ui::RECT rect = kRect) {
        program.add_window(kWindowId, {});
        program.add_unit(kWindowId, kLabel, forms::kLabelType, block_bytes(block, forms::write_label_block), rect);
        program.start();
        return program.load();
    }
    std::vector<Op> paint() { return program.backend().paint(program.hwnd(kLabel)); }
    static std::vector<Op> of_kind(const std::vector<Op>& ops, Op::Kind kind) {
        std::vector<Op> out;
        for (const Op& op : ops)
            if (op.kind == kind)
                out.push_back(op);
        return out;
    }

    UnitsProgram program;
};

LabelBlock captioned(std::string caption) {
    LabelBlock b;
    b.caption = std::move(caption);
    return b;
}

TEST_F(LabelUnitTest, paints_the_background_then_the_caption_centred_vertically) {
    ASSERT_TRUE(start_with(captioned(gbk("当前时间"))));
    std::vector<Op> ops = paint();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, Op::Kind::Fill);
    EXPECT_EQ(ops[0].rect, (ui::RECT{0, 0, 100, 30}));
    EXPECT_EQ(ops[0].color, ui::GetSysColor(ui::COLOR_BTNFACE));
    EXPECT_EQ(ops[1].kind, Op::Kind::Text);
    EXPECT_EQ(ops[1].text, gbk("当前时间"));
    EXPECT_EQ(ops[1].format, ui::DT_NOPREFIX | ui::DT_SINGLELINE | ui::DT_VCENTER);
    EXPECT_EQ(ops[1].bk_mode, ui::TRANSPARENT);
    EXPECT_EQ(ops[1].color, 0u);
    EXPECT_EQ(ops[1].rect, (ui::RECT{0, 0, 100, 30}));
}

TEST_F(LabelUnitTest, alignment_and_word_wrap_choose_the_drawtext_flags) {
    LabelBlock b = captioned("a b c");
    b.horizontal_alignment = 2;
    b.vertical_alignment = 2;
    b.text_colour = 0x0000FF;
    b.background_colour = 0x00FF00;
    ASSERT_TRUE(start_with(b));
    auto text = of_kind(paint(), Op::Kind::Text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].format, ui::DT_NOPREFIX | ui::DT_RIGHT | ui::DT_SINGLELINE | ui::DT_BOTTOM);
    EXPECT_EQ(text[0].color, 0x0000FFu);
    EXPECT_EQ(of_kind(paint(), Op::Kind::Fill).at(0).color, 0x00FF00u);

    write_number(kWindowId, kLabel, 8 + forms::LabelUnit::kHorizontalAlignment, 1);
    write_number(kWindowId, kLabel, 8 + forms::LabelUnit::kWordWrap, 1);
    text = of_kind(paint(), Op::Kind::Text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].format, ui::DT_NOPREFIX | ui::DT_CENTER | ui::DT_WORDBREAK | ui::DT_VCENTER);
}

TEST_F(LabelUnitTest, effects_draw_their_copy_before_the_caption) {
    LabelBlock b = captioned("Hi");
    b.text_colour = 0x0000FF;
    ASSERT_TRUE(start_with(b));
    struct Case {
        int effect;
        ui::COLORREF copy_colour;
        int copy_offset;
        int caption_offset;
    };
    for (Case c : {Case{1, 0xFFFFFF, 1, 0}, Case{2, 0xFFFFFF, 0, 1}, Case{3, 0x000000, 2, 0}}) {
        SCOPED_TRACE(c.effect);
        write_number(kWindowId, kLabel, 8 + forms::LabelUnit::kEffect, c.effect);
        auto text = of_kind(paint(), Op::Kind::Text);
        ASSERT_EQ(text.size(), 2u);
        EXPECT_EQ(text[0].color, c.copy_colour);
        EXPECT_EQ(text[0].rect, (ui::RECT{c.copy_offset, c.copy_offset, 100 + c.copy_offset, 30 + c.copy_offset}));
        EXPECT_EQ(text[1].color, 0x0000FFu);
        EXPECT_EQ(text[1].rect,
                  (ui::RECT{c.caption_offset, c.caption_offset, 100 + c.caption_offset, 30 + c.caption_offset}));
    }
    write_number(kWindowId, kLabel, 8 + forms::LabelUnit::kEffect, 9);
    EXPECT_EQ(read_number(kWindowId, kLabel, 8 + forms::LabelUnit::kEffect), 3u) << "choices are limited";
}

TEST_F(LabelUnitTest, gradient_frame_rings_surround_the_background) {
    LabelBlock b = captioned("x");
    b.border = 6;
    b.frame_width = 5;
    b.frame_colours = {0x000000, 0xFF000000, 0x0000FF};  // the marker colour is skipped
    ASSERT_TRUE(start_with(b));
    std::vector<Op> ops = paint();
    // Five rings of four edges each, outer ring first, running from the first
    // set colour to the last.
    ASSERT_GE(ops.size(), 22u);
    EXPECT_EQ(ops[0].rect, (ui::RECT{0, 0, 100, 1}));
    EXPECT_EQ(ops[0].color, 0x000000u);
    EXPECT_EQ(ops[16].rect, (ui::RECT{4, 4, 96, 5}));
    EXPECT_EQ(ops[16].color, 0x0000FFu);
    EXPECT_EQ(ops[20].kind, Op::Kind::Fill);
    EXPECT_EQ(ops[20].rect, (ui::RECT{5, 5, 95, 25})) << "the background fills what the frame leaves";
    EXPECT_EQ(ops[21].kind, Op::Kind::Text);
    EXPECT_EQ(ops[21].clip, (ui::RECT{5, 5, 95, 25}));

    // With fewer than two set colours there is no frame.
    write_number(kWindowId, kLabel, 8 + forms::LabelUnit::kFrameColour1, 0xFF000000);
    ops = paint();
    EXPECT_EQ(ops.at(0).rect, (ui::RECT{0, 0, 100, 30}));
    // A frame narrower than 5 pixels becomes 5.
    write_number(kWindowId, kLabel, 8 + forms::LabelUnit::kFrameWidth, 2);
    EXPECT_EQ(read_number(kWindowId, kLabel, 8 + forms::LabelUnit::kFrameWidth), 5u);
}

TEST_F(LabelUnitTest, gradient_background_runs_through_the_set_colours) {
    LabelBlock b;
    b.gradient_mode = 2;  // top to bottom
    b.gradient_colours = {0x111111, 0x222222, 0x333333};
    ASSERT_TRUE(start_with(b));
    std::vector<Op> ops = paint();
    ASSERT_EQ(ops.size(), 2u) << "an empty caption paints the background only";
    EXPECT_EQ(ops[0].kind, Op::Kind::Gradient);
    EXPECT_EQ(ops[0].rect, (ui::RECT{0, 0, 100, 15}));
    EXPECT_EQ(ops[0].color, 0x111111u);
    EXPECT_EQ(ops[0].color2, 0x222222u);
    EXPECT_EQ(ops[0].direction, ui::GradientDirection::Vertical);
    EXPECT_EQ(ops[1].rect, (ui::RECT{0, 15, 100, 30}));
    EXPECT_EQ(ops[1].color2, 0x333333u);
}

TEST_F(LabelUnitTest, empty_caption_paints_only_the_background_and_reads_as_null) {
    ASSERT_TRUE(start_with(captioned("old")));
    write_text(kWindowId, kLabel, kCaption, "");
    EXPECT_EQ(ui::window_text(program.hwnd(kLabel)), "");
    EXPECT_TRUE(text_is_null(kWindowId, kLabel, kCaption));
    std::vector<Op> ops = paint();
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, Op::Kind::Fill);

    write_text(kWindowId, kLabel, kCaption, gbk("新标题"));
    EXPECT_EQ(read_text(kWindowId, kLabel, kCaption), gbk("新标题"));
    EXPECT_EQ(of_kind(paint(), Op::Kind::Text).at(0).text, gbk("新标题"));
}

TEST_F(LabelUnitTest, creation_applies_the_border_and_a_stored_font) {
    LabelBlock b = captioned("f");
    b.border = 1;
    ui::LOGFONTA font{};
    font.lfHeight = -20;
    font.lfWeight = 700;
    std::memcpy(font.lfFaceName, "Serif", 6);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&font);
    b.font.assign(raw, raw + sizeof font);
    ASSERT_TRUE(start_with(b));
    ui::HWND label = program.hwnd(kLabel);
    EXPECT_TRUE(ui::GetWindowLongA(label, ui::GWL_STYLE) & static_cast<ui::LONG>(ui::WS_CHILD));
    EXPECT_EQ(static_cast<ui::DWORD>(ui::GetWindowLongA(label, ui::GWL_EXSTYLE)) & ui::WS_EX_CLIENTEDGE,
              ui::WS_EX_CLIENTEDGE);
    auto text = of_kind(paint(), Op::Kind::Text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].font.lfHeight, -20);
    EXPECT_EQ(text[0].font.lfWeight, 700);
}

TEST_F(LabelUnitTest, version_three_block_fails_the_window_load) {
    program.add_window(kWindowId, {});
    program.add_unit(kWindowId, kLabel, forms::kLabelType,
                     with_version(block_bytes(captioned("v3"), forms::write_label_block), 3), kRect);
    program.start();
    EXPECT_FALSE(program.load());
    EXPECT_EQ(program.window()->window_object(), nullptr) << "no half-built window is left";
}

}  // namespace
}  // namespace quilbex::testing
