// A live modal window loaded again, a hidden modal window shown through its
// visible property, and the event source across nested events.

#include "FormsFixture.h"
#include "forms/Dispatch.h"
#include "forms/PropertyAccess.h"
#include "forms/WindowCommands.h"
#include "runtime/CallFrame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace quilbex;
namespace qt = quilbex::testing;
using quilbex::testing::fixture_state;
using quilbex::testing::FormsProgram;
using quilbex::testing::unit;
using ::testing::ElementsAre;

namespace {

constexpr std::uint32_t kMainOwn = 0x06010001;
constexpr std::uint32_t kA = 0x16010002;
constexpr std::uint32_t kDialogOwn = 0x06010010;

// Main window (move handler bound) and a dialog without handlers.
void add_windows(FormsProgram& program, std::uint32_t dialog_flags = forms::kUnitVisible) {
    auto& main = program.add_window(qt::kMainWindow);
    auto own = unit(kMainOwn, qt::kFormType, 10, 20, 440, 338);
    own.handlers = {{3, qt::kOnMove}};
    main.units.push_back(own);
    auto a = unit(kA, qt::kPlainType, 1, 1, 10, 10);
    a.handlers = {{0, qt::kOnNested}};
    main.units.push_back(a);
    program.add_window(qt::kDialog).units.push_back(unit(kDialogOwn, qt::kFormType, 0, 0, 200, 100, dialog_flags));
}

rt::ArgRecord load_dialog_modally() {
    rt::ArgRecord args[] = {rt::ArgRecord::of_unit(qt::kDialog, kDialogOwn, rt::kTypeWindowReference), rt::ArgRecord{},
                            rt::ArgRecord::of_bool(true)};
    return rt::call_core_command(forms::lib::load_window, 3, args);
}

ui::HWND dialog_hwnd() {
    forms::LoadedWindow* dialog = forms::find_loaded_window(qt::kDialog);
    return dialog && dialog->unit_live(0) ? dialog->hwnd() : nullptr;
}

// What the loop saw while the dialog was up, filled by a timer inside it.
struct InsideModal {
    ui::HWND dialog_before = nullptr;
    ui::HWND dialog_after = nullptr;
    std::uint32_t second_load = 0;
    bool main_enabled = true;
    std::size_t top_levels = 0;
};
InsideModal g_inside;

void load_again_then_close(ui::HWND, ui::UINT, ui::UINT_PTR id, ui::DWORD) {
    ui::KillTimer(nullptr, id);
    g_inside.dialog_before = dialog_hwnd();
    g_inside.second_load = load_dialog_modally().low;  // returns at once: the window is live
    g_inside.dialog_after = dialog_hwnd();
    g_inside.main_enabled = ui::IsWindowEnabled(forms::find_loaded_window(qt::kMainWindow)->hwnd()) != 0;
    g_inside.top_levels = ui::WindowSystem::the().top_level_windows().size();
    ui::PostMessageA(g_inside.dialog_after, ui::WM_CLOSE, 0, 0);
}

void close_dialog(ui::HWND, ui::UINT, ui::UINT_PTR id, ui::DWORD) {
    ui::KillTimer(nullptr, id);
    g_inside.dialog_before = dialog_hwnd();
    g_inside.main_enabled = ui::IsWindowEnabled(forms::find_loaded_window(qt::kMainWindow)->hwnd()) != 0;
    ui::PostMessageA(dialog_hwnd(), ui::WM_CLOSE, 0, 0);
}

TEST(ModalWindow, loading_a_live_modal_window_again_activates_it_and_never_builds_it_twice) {
    FormsProgram program;
    add_windows(program);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    ui::HWND main = program.window(qt::kMainWindow).hwnd();
    std::size_t top_levels = ui::WindowSystem::the().top_level_windows().size();
    g_inside = {};
    ui::SetTimer(nullptr, 0, 50, load_again_then_close);
    EXPECT_EQ(load_dialog_modally().low, 1u);  // returns once the dialog has closed

    EXPECT_EQ(g_inside.second_load, 1u);
    ASSERT_NE(g_inside.dialog_before, nullptr);
    EXPECT_EQ(g_inside.dialog_after, g_inside.dialog_before);
    EXPECT_EQ(g_inside.top_levels, top_levels + 1);
    EXPECT_FALSE(g_inside.main_enabled);  // the list of disabled windows survived the second load
    EXPECT_EQ(dialog_hwnd(), nullptr);
    EXPECT_TRUE(ui::IsWindowEnabled(main));
    EXPECT_EQ(ui::GetActiveWindow(), main);
}

TEST(ModalWindow, a_hidden_modal_window_made_visible_runs_its_first_show_and_modal_loop) {
    FormsProgram program;
    add_windows(program, 0);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    ui::HWND main = program.window(qt::kMainWindow).hwnd();
    EXPECT_EQ(load_dialog_modally().low, 1u);  // hidden: no loop, back at once
    ASSERT_NE(dialog_hwnd(), nullptr);
    EXPECT_FALSE(ui::IsWindowVisible(dialog_hwnd()));
    EXPECT_TRUE(program.window(qt::kDialog).not_yet_shown);

    g_inside = {};
    ui::SetTimer(nullptr, 0, 50, close_dialog);
    forms::write_unit_property(qt::kDialog, kDialogOwn, 5, -1, 1);  // returns after the dialog closed
    EXPECT_NE(g_inside.dialog_before, nullptr);
    EXPECT_FALSE(g_inside.main_enabled);
    EXPECT_EQ(dialog_hwnd(), nullptr);
    EXPECT_TRUE(ui::IsWindowEnabled(main));
}

TEST(EventDispatch, a_handler_reads_its_own_source_after_a_nested_event) {
    FormsProgram program;
    add_windows(program);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    fixture_state().events.clear();
    EXPECT_TRUE(forms::raise_event(qt::kMainWindow, kA, 0).ran);
    EXPECT_THAT(fixture_state().events, ElementsAre("move@1", "nested@2"));
    std::uint32_t source[2] = {};
    EXPECT_EQ(rt::runtime_notify(2017, reinterpret_cast<std::uintptr_t>(source), 0), 0u);  // cleared afterwards
}

}  // namespace
