// The window unit: styles, position and owner from its block, icons and
// title, the close rules (vetoes, the close box, re-enabling), its own
// events, and the keyboard behaviour it gives its units.

#include "UnitsFixture.h"
#include "forms/WindowCommands.h"
#include "forms/blocks/ButtonBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/WindowBlock.h"
#include "forms/units/WindowUnit.h"
#include "platform/ui/WindowSystem.h"
#include "runtime/DefaultIcon.h"
#include "runtime/WindowHost.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

using forms::WindowBlock;
using forms::WindowUnit;
constexpr std::uint32_t kOwnRecord = kWindowRecord | (kWindowId & 0xFFFF);
constexpr std::uint32_t kFirstEdit = control_id(7);
constexpr std::uint32_t kSecondEdit = control_id(8);
constexpr std::uint32_t kOkButton = control_id(9);
constexpr std::uint32_t kOnClose = 0;  // event 12
constexpr std::uint32_t kOnUnload = 1;  // event 1
constexpr std::uint32_t kOnClick = 2;
constexpr std::uint32_t kOnMove = 3;

class WindowUnitTest : public ::testing::Test {
protected:
    void add_window(const WindowBlock& block, int width = 440, int height = 338) {
        program.add_window(kWindowId, block_bytes(block, forms::write_window_block), width, height);
    }
    // A window with two edit boxes and a button captioned "&OK".
    void add_controls(int button_type = 0) {
        program.add_unit(kWindowId, kFirstEdit, forms::kEditBoxType, {}, {10, 10, 110, 30});
        program.add_unit(kWindowId, kSecondEdit, forms::kEditBoxType, {}, {10, 40, 110, 60});
        forms::ButtonBlock button;
        button.caption = "&OK";
        button.type = button_type;
        program.add_unit(kWindowId, kOkButton, forms::kButtonType, block_bytes(button, forms::write_button_block),
                         {10, 70, 90, 94});
        program.bind(kWindowId, kOkButton, 0, kOnClick);
    }
    void load() {
        program.start();
        ASSERT_TRUE(program.load());
        program.clear_runs();
    }
    ui::HWND window() { return program.hwnd(kWindowId, kOwnRecord); }
    ui::DWORD style() { return static_cast<ui::DWORD>(ui::GetWindowLongA(window(), ui::GWL_STYLE)); }
    ui::DWORD ex_style() { return static_cast<ui::DWORD>(ui::GetWindowLongA(window(), ui::GWL_EXSTYLE)); }
    ui::RECT rect() {
        ui::RECT r{};
        ui::GetWindowRect(window(), &r);
        return r;
    }

    UnitsProgram program;
};

TEST_F(WindowUnitTest, start_position_one_centres_on_the_screen_whatever_is_stored) {
    WindowBlock block;
    block.title = gbk("Quilbex签到抽奖V1.0");
    add_window(block);
    load();
    EXPECT_EQ(rect(), (ui::RECT{420, 343, 860, 681}));  // (1280 - 440) / 2, (1024 - 338) / 2
    EXPECT_EQ(ui::window_text(window()), gbk("Quilbex签到抽奖V1.0"));
    EXPECT_EQ(read_text(kWindowId, kOwnRecord, 8 + WindowUnit::kTitle), gbk("Quilbex签到抽奖V1.0"));
    EXPECT_TRUE(ui::IsWindowVisible(window()));
}

TEST_F(WindowUnitTest, start_position_zero_keeps_the_stored_place) {
    WindowBlock block;
    block.start_position = 0;
    add_window(block, 300, 200);
    load();
    EXPECT_EQ(rect(), (ui::RECT{10, 20, 310, 220}));
}

TEST_F(WindowUnitTest, placement_follows_border_boxes_and_start_position) {
    forms::UnitCreateArgs args;
    args.width = 200;
    args.height = 100;
    WindowBlock none;
    none.border = 0;
    none.title = "has a title";
    auto p = WindowUnit::placement_for(none, args, 1000, 800, nullptr);
    EXPECT_EQ(p.style & (ui::WS_CAPTION | ui::WS_DLGFRAME | ui::WS_THICKFRAME | ui::WS_SYSMENU), 0u)
        << "border 0 gets neither caption nor frame";
    EXPECT_EQ(p.left, 400);
    EXPECT_EQ(p.top, 350);

    WindowBlock tool;
    tool.border = 3;
    tool.control_box = 0;
    tool.maximize_box = 1;
    tool.start_position = 3;
    p = WindowUnit::placement_for(tool, args, 1000, 800, nullptr);
    EXPECT_EQ(p.style & (ui::WS_CAPTION | ui::WS_SYSMENU), ui::WS_DLGFRAME) << "no title, no control box";
    EXPECT_TRUE(p.style & ui::WS_THICKFRAME);
    EXPECT_TRUE(p.style & ui::WS_MAXIMIZE) << "a resizable window may start maximized";
    EXPECT_EQ(p.ex_style, ui::WS_EX_TOOLWINDOW);

    WindowBlock fixed_edge;
    fixed_edge.border = 6;
    fixed_edge.start_position = 3;
    p = WindowUnit::placement_for(fixed_edge, args, 1000, 800, nullptr);
    EXPECT_FALSE(p.style & ui::WS_MAXIMIZE) << "a fixed window does not";
    EXPECT_EQ(p.ex_style, ui::WS_EX_CLIENTEDGE);
}

TEST_F(WindowUnitTest, window_not_in_the_task_bar_is_owned_by_the_hidden_owner) {
    WindowBlock block;
    block.show_in_taskbar = 0;
    add_window(block);
    rt::window_host().destroy_hidden_owner();  // one left by an earlier window system
    rt::window_host().create_hidden_owner();
    ASSERT_NE(forms::hidden_owner(), nullptr);
    load();
    EXPECT_EQ(ui::GetWindow(window(), ui::GW_OWNER), forms::hidden_owner());
    rt::window_host().destroy_all_windows();
    rt::window_host().destroy_hidden_owner();
}

TEST_F(WindowUnitTest, icon_data_gives_big_and_small_icons_and_the_title_property_retitles) {
    WindowBlock block;
    block.icon = ico_image(32, 0xFF336699);
    add_window(block);
    load();
    EXPECT_NE(ui::SendMessageA(window(), ui::WM_GETICON, ui::ICON_BIG, 0), 0);
    EXPECT_NE(ui::SendMessageA(window(), ui::WM_GETICON, ui::ICON_SMALL, 0), 0);
    write_text(kWindowId, kOwnRecord, 8 + WindowUnit::kTitle, gbk("登录"));
    EXPECT_EQ(ui::window_text(window()), gbk("登录"));
}

TEST_F(WindowUnitTest, a_window_without_icon_data_shows_the_programs_default_icon) {
    add_window(WindowBlock{});
    load();
    EXPECT_EQ(ui::SendMessageA(window(), ui::WM_GETICON, ui::ICON_BIG, 0), 0);  // the program has none yet
    ui::DestroyWindow(window());
    rt::set_default_icon(ico_image(32, 0xFF336699));
    load();
    EXPECT_NE(ui::SendMessageA(window(), ui::WM_GETICON, ui::ICON_BIG, 0), 0);
    EXPECT_NE(ui::SendMessageA(window(), ui::WM_GETICON, ui::ICON_SMALL, 0), 0);
    rt::set_default_icon({});
}

TEST_F(WindowUnitTest, version_seven_block_fails_creation) {
    program.add_window(kWindowId, with_version(block_bytes(WindowBlock{}, forms::write_window_block), 7));
    program.start();
    EXPECT_FALSE(program.load());
}

TEST_F(WindowUnitTest, close_handlers_returning_false_keep_the_window_open) {
    add_window(WindowBlock{});
    program.bind(kWindowId, kOwnRecord, 12, kOnClose);
    program.bind(kWindowId, kOwnRecord, 1, kOnUnload);
    load();
    ui::HWND hwnd = window();

    program.set_result(kOnClose, 0);
    ui::SendMessageA(hwnd, ui::WM_CLOSE, 0, 0);
    EXPECT_TRUE(ui::IsWindow(hwnd));
    EXPECT_EQ(program.runs_of(kOnUnload), 0u) << "the first veto ends the close";

    program.set_result(kOnClose, 1);
    program.set_result(kOnUnload, 0);
    ui::SendMessageA(hwnd, ui::WM_CLOSE, 0, 0);
    EXPECT_TRUE(ui::IsWindow(hwnd));
    EXPECT_EQ(ui::SendMessageA(hwnd, ui::WM_QUERYENDSESSION, 0, 0), 0);

    program.set_result(kOnUnload, std::nullopt);  // no value: no veto
    ui::SendMessageA(hwnd, ui::WM_CLOSE, 0, 0);
    EXPECT_FALSE(ui::IsWindow(hwnd));
    EXPECT_EQ(program.window()->objects.size(), program.templates.windows[0].units.size());
    EXPECT_EQ(program.window()->window_object(), nullptr) << "the runtime was told the window is gone";
}

TEST_F(WindowUnitTest, closing_re_enables_the_windows_a_modal_window_disabled) {
    add_window(WindowBlock{});
    load();
    ui::HWND other = ui::CreateWindowExA(0, WindowUnit::kDefaultClassName, "other", 0, 0, 0, 50, 50, nullptr, nullptr,
                                         nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ui::EnableWindow(other, ui::FALSE);
    program.window()->disabled_by_modal.push_back({other, true});
    ui::SendMessageA(window(), ui::WM_CLOSE, 0, 0);
    EXPECT_TRUE(ui::IsWindowEnabled(other));
    ui::DestroyWindow(other);
}

TEST_F(WindowUnitTest, close_window_command_closes_on_the_next_message_without_asking_the_handlers) {
    add_window(WindowBlock{});
    program.bind(kWindowId, kOwnRecord, 12, kOnClose);
    load();
    program.set_result(kOnClose, 0);  // would veto a close by the member
    ui::HWND hwnd = window();
    ui::HWND other = ui::CreateWindowExA(0, WindowUnit::kDefaultClassName, "other", 0, 0, 0, 50, 50, nullptr, nullptr,
                                         nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ui::EnableWindow(other, ui::FALSE);
    program.window()->disabled_by_modal.push_back({other, true});

    rt::ArgRecord reference = rt::ArgRecord::of_unit(kWindowId, kOwnRecord, rt::kTypeWindowReference);
    forms::lib::close_window(nullptr, 1, &reference);
    EXPECT_TRUE(ui::IsWindow(hwnd)) << "the close waits for the window's thread to handle messages";
    EXPECT_TRUE(program.window()->closing);

    ui::pump_pending_messages();
    EXPECT_FALSE(ui::IsWindow(hwnd));
    EXPECT_EQ(program.runs_of(kOnClose), 0u);
    EXPECT_TRUE(ui::IsWindowEnabled(other));
    ui::DestroyWindow(other);
}

TEST_F(WindowUnitTest, disabled_close_button_shows_no_close_box_and_ignores_the_request) {
    WindowBlock block;
    block.close_button = 0;
    add_window(block);
    load();
    EXPECT_FALSE(ui::WindowSystem::the().find(window())->close_box);
    program.backend().request_close(window());
    EXPECT_TRUE(ui::IsWindow(window()));
    write_number(kWindowId, kOwnRecord, 8 + WindowUnit::kCloseButton, 1);
    ui::HWND hwnd = window();
    EXPECT_TRUE(ui::WindowSystem::the().find(hwnd)->close_box);
    program.backend().request_close(hwnd);
    EXPECT_FALSE(ui::IsWindow(hwnd));
}

TEST_F(WindowUnitTest, moving_and_sizing_raise_events_three_and_four) {
    add_window(WindowBlock{});
    program.bind(kWindowId, kOwnRecord, 3, kOnMove);
    program.bind(kWindowId, kOwnRecord, 4, kOnClick);
    load();
    write_number(kWindowId, kOwnRecord, 0, 5);
    EXPECT_EQ(program.runs_of(kOnMove), 1u);
    EXPECT_EQ(program.runs().back().unit_id, kOwnRecord);
    write_number(kWindowId, kOwnRecord, 2, 500);
    EXPECT_EQ(program.runs_of(kOnClick), 1u);
}

TEST_F(WindowUnitTest, escape_closes_the_window_when_the_setting_is_on) {
    add_window(WindowBlock{});
    add_controls();
    load();
    ui::HWND hwnd = window();
    program.backend().focus(program.hwnd(kFirstEdit));
    program.backend().press_key(ui::VK_ESCAPE);
    EXPECT_FALSE(ui::IsWindow(hwnd));
}

TEST_F(WindowUnitTest, tab_moves_the_focus_through_the_tab_stops_and_shift_tab_back) {
    add_window(WindowBlock{});
    add_controls();
    load();
    program.backend().focus(program.hwnd(kFirstEdit));
    program.backend().press_key(ui::VK_TAB);
    EXPECT_EQ(ui::GetFocus(), program.hwnd(kSecondEdit));
    program.backend().press_key(ui::VK_TAB);
    EXPECT_EQ(ui::GetFocus(), program.hwnd(kOkButton));
    program.backend().press_key(ui::VK_TAB);
    EXPECT_EQ(ui::GetFocus(), program.hwnd(kFirstEdit)) << "the order wraps around";
    program.backend().set_modifiers(false, true, false);
    program.backend().press_key(ui::VK_TAB);
    program.backend().set_modifiers(false, false, false);
    EXPECT_EQ(ui::GetFocus(), program.hwnd(kOkButton));
    EXPECT_TRUE(ui::window_text(program.hwnd(kSecondEdit)).empty()) << "Tab types nothing";
}

TEST_F(WindowUnitTest, enter_clicks_the_focused_button_or_else_the_default_button) {
    add_window(WindowBlock{});
    add_controls(1);
    load();
    program.backend().focus(program.hwnd(kFirstEdit));
    program.backend().press_key(ui::VK_RETURN);
    EXPECT_EQ(program.runs_of(kOnClick), 1u);
    program.backend().focus(program.hwnd(kOkButton));
    program.backend().press_key(ui::VK_RETURN);
    EXPECT_EQ(program.runs_of(kOnClick), 2u);
}

TEST_F(WindowUnitTest, enter_moves_the_focus_when_the_setting_is_on) {
    WindowBlock block;
    block.enter_moves_focus = 1;
    add_window(block);
    add_controls(1);
    load();
    program.backend().focus(program.hwnd(kFirstEdit));
    program.backend().press_key(ui::VK_RETURN);
    EXPECT_EQ(ui::GetFocus(), program.hwnd(kSecondEdit));
    EXPECT_EQ(program.runs_of(kOnClick), 0u);
}

TEST_F(WindowUnitTest, multi_line_edit_keeps_enter_for_itself) {
    add_window(WindowBlock{});
    forms::EditBoxBlock multi;
    multi.multi_line = 1;
    program.add_unit(kWindowId, kFirstEdit, forms::kEditBoxType, block_bytes(multi, forms::write_edit_box_block),
                     {0, 0, 100, 100});
    forms::ButtonBlock button;
    button.type = 1;
    program.add_unit(kWindowId, kOkButton, forms::kButtonType, block_bytes(button, forms::write_button_block),
                     {0, 110, 80, 130});
    program.bind(kWindowId, kOkButton, 0, kOnClick);
    load();
    program.backend().focus(program.hwnd(kFirstEdit));
    program.backend().press_key(ui::VK_RETURN);
    EXPECT_EQ(program.runs_of(kOnClick), 0u);
    EXPECT_EQ(ui::window_text(program.hwnd(kFirstEdit)), "\r\n");
}

TEST_F(WindowUnitTest, alt_with_a_mnemonic_clicks_the_button) {
    add_window(WindowBlock{});
    add_controls();
    load();
    program.backend().focus(program.hwnd(kFirstEdit));
    program.backend().set_modifiers(false, false, true);
    program.backend().press_key('O');
    program.backend().press_key('X');  // no unit has this mnemonic
    program.backend().set_modifiers(false, false, false);
    EXPECT_EQ(program.runs_of(kOnClick), 1u);
}

}  // namespace
}  // namespace quilbex::testing
