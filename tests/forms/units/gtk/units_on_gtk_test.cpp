// The program's main window on a real display: what a person sees (the
// background colour, the black status display) and does (typing raises one
// change event per character, a click on a button runs its handler, Esc
// closes the window).

#include "GtkFixture.h"
#include "UnitsFixture.h"
#include "app_templates/WindowTemplates.h"
#include "support/Gbk.h"

#include <span>

namespace quilbex::testing {
namespace {

namespace main_window = app::forms::main_window;
using Routine = app::forms::Routine;
constexpr std::uint32_t kCookieChanged = 9;  // beyond the program's own routines

class UnitsOnGtk : public ui::testing::GtkTest {
protected:
    void SetUp() override {
        GtkTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        program = std::make_unique<UnitsProgram>(UnitsProgram::System::Current);
        program->read_templates(std::span(app::forms::kTemplateData, app::forms::kTemplateDataSize));
        program->bind(main_window::kWindowId, main_window::cookie_box, 0, kCookieChanged);
        program->start();
        ASSERT_TRUE(program->load(main_window::kWindowId));
        window = hwnd(main_window::window_unit);
        ASSERT_TRUE(pump_until([&] { return ui::IsWindowVisible(window); }));
        pump_for(400);
    }
    void TearDown() override {
        program.reset();
        GtkTest::TearDown();
    }
    ui::HWND hwnd(std::uint32_t unit) { return program->hwnd(main_window::kWindowId, unit); }
    std::size_t runs_of(std::uint32_t routine) { return program->runs_of(routine); }

    std::unique_ptr<UnitsProgram> program;
    ui::HWND window = nullptr;
};

TEST_F(UnitsOnGtk, main_window_shows_its_background_and_the_black_status_display) {
    ui::testing::Screenshot shot = screenshot("units_main_window");
    ui::POINT background = screen_point(window, {20, 230});  // left of the message box, above the time label
    ui::POINT status = screen_point(hwnd(main_window::status_box), {200, 50});
    EXPECT_EQ(shot.at(background.x, background.y), 0xE3E3E3u);
    EXPECT_EQ(shot.at(status.x, status.y), 0x000000u);
    EXPECT_EQ(runs_of(static_cast<std::uint32_t>(Routine::main_window_created)), 1u);
    // The clock ticks once a second from the toolkit's main loop.
    auto ticks = [&] { return runs_of(static_cast<std::uint32_t>(Routine::clock_tick)); };
    std::size_t before = ticks();
    EXPECT_TRUE(pump_until([&] { return ticks() >= before + 2; }, 30000));
}

TEST_F(UnitsOnGtk, typing_into_the_cookie_box_raises_one_change_per_character) {
    focus_x_window(window);
    click(hwnd(main_window::cookie_box), {20, 10});
    xdotool("type --delay 40 abc");
    ASSERT_TRUE(pump_until([&] { return runs_of(kCookieChanged) >= 3; }, 30000));
    pump_for(200);
    EXPECT_EQ(runs_of(kCookieChanged), 3u);
    EXPECT_EQ(read_text(main_window::kWindowId, main_window::cookie_box, 8), "abc");
}

TEST_F(UnitsOnGtk, a_click_runs_the_button_handler_and_escape_closes_the_window) {
    focus_x_window(window);
    click(hwnd(main_window::save_button), {20, 15});
    ASSERT_TRUE(pump_until([&] { return runs_of(static_cast<std::uint32_t>(Routine::save_button_click)) == 1; }));
    click(hwnd(main_window::cookie_box), {20, 10});
    xdotool("key Escape");
    EXPECT_TRUE(pump_until([&] { return !ui::IsWindow(window); }));
}

}  // namespace
}  // namespace quilbex::testing
