// The button: styles from its block, the default-button toggle on the live
// window, clicks, and pictures that decode or are dropped.

#include "UnitsFixture.h"
#include "forms/PropertyAccess.h"
#include "forms/blocks/ButtonBlock.h"
#include "forms/units/ButtonUnit.h"
#include "runtime/Memory.h"
#include "runtime/Notifications.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

using forms::ButtonBlock;
using forms::ButtonUnit;
constexpr std::uint32_t kButton = control_id(6);
constexpr std::uint32_t kClicked = 5;

class ButtonUnitTest : public ::testing::Test {
protected:
    void start_with(const ButtonBlock& block, std::uint32_t flags = forms::kUnitVisible) {
        program.add_window(kWindowId, {});
        program.add_unit(kWindowId, kButton, forms::kButtonType, block_bytes(block, forms::write_button_block),
                         {20, 20, 120, 44}, flags);
        program.bind(kWindowId, kButton, 0, kClicked);
        program.start();
        ASSERT_TRUE(program.load());
        program.clear_runs();
    }
    ui::HWND button() { return program.hwnd(kButton); }
    ui::DWORD style() { return static_cast<ui::DWORD>(ui::GetWindowLongA(button(), ui::GWL_STYLE)); }

    UnitsProgram program;
};

ButtonBlock captioned(std::string caption) {
    ButtonBlock b;
    b.caption = std::move(caption);
    return b;
}

TEST_F(ButtonUnitTest, default_block_gives_a_centred_multi_line_push_button) {
    start_with(captioned(gbk("登录")));
    EXPECT_EQ(style() & (ui::BS_TYPEMASK | ui::BS_CENTER | ui::BS_VCENTER | ui::BS_MULTILINE | ui::WS_CHILD),
              ui::BS_PUSHBUTTON | ui::BS_CENTER | ui::BS_VCENTER | ui::BS_MULTILINE | ui::WS_CHILD);
    EXPECT_EQ(ui::window_text(button()), gbk("登录"));
    EXPECT_NE(ui::SendMessageA(button(), ui::WM_GETFONT, 0, 0), 0) << "the default GUI font is set";
}

TEST_F(ButtonUnitTest, default_type_toggles_on_the_same_window) {
    start_with(captioned("ok"));
    ui::HWND before = button();
    write_number(kWindowId, kButton, 8 + ButtonUnit::kType, 1);
    EXPECT_EQ(style() & ui::BS_TYPEMASK, ui::BS_DEFPUSHBUTTON);
    write_number(kWindowId, kButton, 8 + ButtonUnit::kType, 0);
    EXPECT_EQ(style() & ui::BS_TYPEMASK, ui::BS_PUSHBUTTON);
    EXPECT_EQ(button(), before);
    write_number(kWindowId, kButton, 8 + ButtonUnit::kVerticalAlignment, 2);
    EXPECT_EQ(style() & (ui::BS_CENTER | ui::BS_VCENTER), ui::BS_CENTER | ui::BS_BOTTOM)
        << "alignments replace only their own bits";
}

TEST_F(ButtonUnitTest, click_raises_event_zero_unless_dispatch_is_suspended_or_disabled) {
    start_with(captioned("go"));
    ASSERT_TRUE(program.backend().click(button()));
    ASSERT_EQ(program.runs_of(kClicked), 1u);
    EXPECT_EQ(program.runs().back().unit_id, kButton);

    rt::runtime_notify(2009, 0, 0);
    program.backend().click(button());
    rt::runtime_notify(2010, 0, 0);
    EXPECT_EQ(program.runs_of(kClicked), 1u);

    write_number(kWindowId, kButton, 6, 1);  // disabled
    EXPECT_FALSE(program.backend().click(button()));
    EXPECT_EQ(program.runs_of(kClicked), 1u);
}

TEST_F(ButtonUnitTest, icon_picture_is_shown_and_undecodable_data_is_dropped) {
    ButtonBlock b = captioned("pic");
    b.picture = ico_image(16, 0xFF00FF00);
    start_with(b);
    EXPECT_TRUE(style() & ui::BS_ICON);
    EXPECT_NE(ui::SendMessageA(button(), ui::BM_GETIMAGE, ui::IMAGE_ICON, 0), 0);

    const char junk[] = "not a picture";
    unsigned char* set = rt::make_byte_set(junk, sizeof junk);
    forms::write_unit_property(kWindowId, kButton, 8 + ButtonUnit::kPicture, -1, reinterpret_cast<std::uintptr_t>(set));
    rt::release(set);
    EXPECT_FALSE(style() & ui::BS_ICON);
    EXPECT_EQ(ui::SendMessageA(button(), ui::BM_GETIMAGE, ui::IMAGE_ICON, 0), 0);
}

}  // namespace
}  // namespace quilbex::testing
