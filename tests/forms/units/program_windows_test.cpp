// The program's own main window, from the generated template data, built
// from the core library's unit types on the headless window system.

#include "UnitsFixture.h"
#include "app_templates/WindowTemplates.h"
#include "forms/units/EditBoxUnit.h"
#include "platform/ui/WindowSystem.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

namespace main_window = app::forms::main_window;
using Routine = app::forms::Routine;

class ProgramWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.start({app::forms::kTemplateData, app::forms::kTemplateDataSize + app::forms::kTemplateData});
        ASSERT_TRUE(program.load(main_window::kWindowId));
    }
    ui::HWND hwnd(std::uint32_t unit) { return program.hwnd(main_window::kWindowId, unit); }
    std::uint32_t runs_of(Routine routine) {
        return static_cast<std::uint32_t>(program.runs_of(static_cast<std::uint32_t>(routine)));
    }

    UnitsProgram program;
};

TEST_F(ProgramWindowsTest, main_window_opens_centred_with_every_unit_and_its_creation_handler) {
    ui::HWND window = hwnd(main_window::window_unit);
    ui::RECT rect{};
    ui::GetWindowRect(window, &rect);
    EXPECT_EQ(rect, (ui::RECT{420, 343, 860, 681}));
    EXPECT_EQ(ui::window_text(window), gbk("Quilbex签到抽奖V1.0"));
    EXPECT_NE(ui::SendMessageA(window, ui::WM_GETICON, ui::ICON_BIG, 0), 0) << "the template's icon";
    for (std::uint32_t unit :
         {main_window::clock_timer, main_window::time_label, main_window::quote_button, main_window::login_button,
          main_window::sign_text_label, main_window::message_edit, main_window::save_button, main_window::cookie_label,
          main_window::cookie_box, main_window::status_box, main_window::sign_button}) {
        SCOPED_TRACE(unit);
        ASSERT_NE(hwnd(unit), nullptr);
        EXPECT_EQ(ui::GetParent(hwnd(unit)), window);
    }
    EXPECT_EQ(runs_of(Routine::main_window_created), 1u);
    EXPECT_FALSE(ui::IsWindowVisible(hwnd(main_window::clock_timer)));
    EXPECT_EQ(ui::window_text(hwnd(main_window::sign_button)), gbk("抽奖/签到"));
}

TEST_F(ProgramWindowsTest, main_window_paints_its_background_colour) {
    auto ops = program.backend().paint(hwnd(main_window::window_unit));
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0].kind, ui::DrawOp::Kind::Fill);
    EXPECT_EQ(ops[0].color, 0xE3E3E3u);
}

TEST_F(ProgramWindowsTest, status_display_is_read_only_white_on_black) {
    ui::HWND status = hwnd(main_window::status_box);
    const ui::LONG style = ui::GetWindowLongA(status, ui::GWL_STYLE);
    EXPECT_TRUE(style & static_cast<ui::LONG>(ui::ES_READONLY));
    EXPECT_TRUE(style & static_cast<ui::LONG>(ui::ES_MULTILINE));
    ui::Window* record = ui::WindowSystem::the().find(status);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->edit.text_color, 0xFFFFFFu);
    EXPECT_EQ(record->edit.background_color, 0x000000u);
    program.backend().type_text(status, "x");
    EXPECT_TRUE(text_is_null(main_window::kWindowId, main_window::status_box, 8));
}

TEST_F(ProgramWindowsTest, clock_ticks_every_second_and_buttons_reach_their_handlers) {
    program.backend().advance_time(3000);
    EXPECT_EQ(runs_of(Routine::clock_tick), 3u);
    program.backend().click(hwnd(main_window::sign_button));
    program.backend().click(hwnd(main_window::save_button));
    EXPECT_EQ(runs_of(Routine::sign_button_click), 1u);
    EXPECT_EQ(runs_of(Routine::save_button_click), 1u);
}

TEST_F(ProgramWindowsTest, escape_closes_the_main_window) {
    ui::HWND window = hwnd(main_window::window_unit);
    program.backend().focus(hwnd(main_window::cookie_box));
    program.backend().press_key(ui::VK_ESCAPE);
    EXPECT_FALSE(ui::IsWindow(window));
    EXPECT_FALSE(forms::any_window_live());
}

}  // namespace
}  // namespace quilbex::testing
