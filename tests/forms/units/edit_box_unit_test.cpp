// The edit box: styles and defaults from its block, exactly one change event
// per change of content from either side, read-only typing, the single-line
// height rule, colours, the Enter key and the block written back.

#include "UnitsFixture.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/WindowBlock.h"
#include "forms/units/EditBoxUnit.h"
#include "forms/units/UnitTypes.h"
#include "platform/ui/WindowSystem.h"
#include "support/Gbk.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace quilbex::testing {
namespace {

using forms::EditBoxBlock;
constexpr std::uint32_t kEdit = control_id(3);
constexpr std::uint32_t kOther = control_id(4);
constexpr std::uint32_t kChanged = 2;
constexpr std::uint32_t kFocus = 3;
constexpr std::uint32_t kBlur = 4;
constexpr std::int32_t kContent = 8;

class EditBoxUnitTest : public ::testing::Test {
protected:
    void start_with(std::vector<std::uint8_t> block, ui::RECT rect = {8, 8, 208, 30}) {
        program.add_window(kWindowId, block_bytes(forms::WindowBlock{}, forms::write_window_block));
        program.add_unit(kWindowId, kEdit, forms::kEditBoxType, std::move(block), rect);
        program.add_unit(kWindowId, kOther, forms::kEditBoxType, {}, {8, 60, 208, 82});
        program.bind(kWindowId, kEdit, 0, kChanged);
        program.bind(kWindowId, kEdit, -7, kFocus);
        program.bind(kWindowId, kEdit, -8, kBlur);
        program.start();
        ASSERT_TRUE(program.load());
        program.clear_runs();
    }
    ui::HWND edit() { return program.hwnd(kEdit); }
    ui::DWORD style() { return static_cast<ui::DWORD>(ui::GetWindowLongA(edit(), ui::GWL_STYLE)); }
    ui::DWORD ex_style() { return static_cast<ui::DWORD>(ui::GetWindowLongA(edit(), ui::GWL_EXSTYLE)); }
    ui::Window& record() { return *ui::WindowSystem::the().find(edit()); }

    UnitsProgram program;
};

TEST_F(EditBoxUnitTest, empty_block_creates_a_sunken_single_line_box_with_defaults) {
    start_with({});
    EXPECT_TRUE(style() & ui::ES_AUTOHSCROLL);
    EXPECT_FALSE(style() & (ui::ES_MULTILINE | ui::ES_READONLY | ui::ES_PASSWORD | ui::ES_NOHIDESEL));
    EXPECT_TRUE(style() & ui::WS_TABSTOP);
    EXPECT_EQ(ex_style() & (ui::WS_EX_CLIENTEDGE | ui::WS_EX_STATICEDGE | ui::WS_EX_DLGMODALFRAME),
              ui::WS_EX_CLIENTEDGE);
    EXPECT_TRUE(text_is_null(kWindowId, kEdit, kContent)) << "an empty box reads as the null text";
    EXPECT_EQ(record().edit.text_color, 0u);
    EXPECT_EQ(record().edit.background_color, 0xFFFFFFu);
    auto* unit = static_cast<forms::EditBoxUnit*>(program.object(kWindowId, kEdit));
    EXPECT_EQ(unit->current_block(), EditBoxBlock{});
}

TEST_F(EditBoxUnitTest, full_block_sets_styles_colours_limit_and_selection) {
    EditBoxBlock b;
    b.border = 0;
    b.text_colour = 0xFFFFFF;
    b.background_colour = 0x000000;
    b.hide_selection = 0;
    b.max_length = 7;
    b.multi_line = 1;
    b.scroll_bars = 3;
    b.alignment = 2;
    b.input_mode = forms::kInputReadOnly;
    b.case_conversion = 2;
    b.selection_start = 1;
    b.selection_length = 2;
    b.content = "abcdef";
    start_with(block_bytes(b, forms::write_edit_box_block), {0, 0, 200, 120});
    ui::DWORD expected = ui::ES_NOHIDESEL | ui::ES_MULTILINE | ui::ES_AUTOVSCROLL | ui::ES_WANTRETURN |
                         ui::ES_AUTOHSCROLL | ui::WS_HSCROLL | ui::WS_VSCROLL | ui::ES_RIGHT | ui::ES_READONLY |
                         ui::ES_UPPERCASE;
    EXPECT_EQ(style() & expected, expected);
    EXPECT_EQ(ex_style() & (ui::WS_EX_CLIENTEDGE | ui::WS_EX_STATICEDGE), 0u);
    EXPECT_EQ(record().edit.text_color, 0xFFFFFFu);
    EXPECT_EQ(record().edit.background_color, 0x000000u);
    EXPECT_EQ(record().edit.limit, 7u);
    EXPECT_EQ(record().edit.selection_start, 1u);
    EXPECT_EQ(record().edit.selection_end, 3u);
    EXPECT_EQ(read_text(kWindowId, kEdit, kContent), "abcdef");
    EXPECT_EQ(read_text(kWindowId, kEdit, 8 + forms::EditBoxUnit::kSelectedText), "bc");
}

TEST_F(EditBoxUnitTest, version_above_two_fails_the_window_load) {
    program.add_window(kWindowId, {});
    program.add_unit(kWindowId, kEdit, forms::kEditBoxType,
                     with_version(block_bytes(EditBoxBlock{}, forms::write_edit_box_block), 3), {0, 0, 50, 20});
    program.start();
    EXPECT_FALSE(program.load());
    EXPECT_EQ(program.hwnd(kWindowId, kWindowRecord | 1), nullptr);
}

TEST_F(EditBoxUnitTest, program_write_raises_one_change_event) {
    start_with({});
    write_text(kWindowId, kEdit, kContent, "abc");
    EXPECT_EQ(program.runs_of(kChanged), 1u);
    EXPECT_EQ(read_text(kWindowId, kEdit, kContent), "abc");
    // Writing the same content again is still one event: the write is the change.
    write_text(kWindowId, kEdit, kContent, "abc");
    EXPECT_EQ(program.runs_of(kChanged), 2u);
    write_text(kWindowId, kEdit, kContent, "");
    EXPECT_EQ(program.runs_of(kChanged), 3u);
    EXPECT_TRUE(text_is_null(kWindowId, kEdit, kContent));
}

TEST_F(EditBoxUnitTest, write_from_a_worker_thread_runs_on_the_window_thread_once) {
    start_with({});
    std::atomic<bool> done{false};
    std::thread worker([&] {
        write_text(kWindowId, kEdit, kContent, "from worker");
        done = true;
    });
    while (!done) {
        ui::pump_pending_messages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_EQ(program.runs_of(kChanged), 1u);
    EXPECT_EQ(read_text(kWindowId, kEdit, kContent), "from worker");
}

TEST_F(EditBoxUnitTest, typed_character_raises_one_change_event) {
    start_with({});
    program.backend().type_text(edit(), "x");
    EXPECT_EQ(program.runs_of(kChanged), 1u);
    program.backend().type_text(edit(), gbk("吴"));
    EXPECT_EQ(program.runs_of(kChanged), 2u);
    EXPECT_EQ(read_text(kWindowId, kEdit, kContent), "x" + gbk("吴"));
    EXPECT_EQ(program.runs().back().unit_id, kEdit);
}

TEST_F(EditBoxUnitTest, read_only_box_rejects_typing_but_takes_program_writes) {
    EditBoxBlock b;
    b.input_mode = forms::kInputReadOnly;
    b.multi_line = 1;
    start_with(block_bytes(b, forms::write_edit_box_block), {0, 0, 200, 100});
    program.backend().type_text(edit(), "typed");
    EXPECT_TRUE(text_is_null(kWindowId, kEdit, kContent));
    EXPECT_EQ(program.runs_of(kChanged), 0u);
    write_text(kWindowId, kEdit, kContent, "status\r\n");
    EXPECT_EQ(read_text(kWindowId, kEdit, kContent), "status\r\n");
    EXPECT_EQ(program.runs_of(kChanged), 1u);
}

TEST_F(EditBoxUnitTest, single_line_box_grows_to_one_line_of_its_font) {
    start_with({}, {8, 8, 108, 18});
    int least = ui::measure_text(nullptr, gbk("吴")).cy + 2 * ui::GetSystemMetrics(ui::SM_CYEDGE);
    ASSERT_GT(least, 10);
    ui::RECT rect{};
    ui::GetWindowRect(edit(), &rect);
    EXPECT_EQ(ui::rect_height(rect), least);
    EXPECT_EQ(ui::rect_width(rect), 100);
    EXPECT_EQ(read_number(kWindowId, kEdit, 3), static_cast<std::uint64_t>(least));
    EXPECT_EQ(read_number(kWindowId, kEdit, 1), 8u) << "growing keeps the position";
}

TEST_F(EditBoxUnitTest, focus_changes_raise_the_focus_events) {
    start_with({});
    program.backend().focus(edit());
    program.backend().focus(program.hwnd(kOther));
    ASSERT_EQ(program.runs().size(), 2u);
    EXPECT_EQ(program.runs()[0].routine, kFocus);
    EXPECT_EQ(program.runs()[1].routine, kBlur);
}

TEST_F(EditBoxUnitTest, keeps_enter_only_when_multi_line_and_writable) {
    using KeyWanted = forms::UnitKeyWantedRoutine;
    auto wanted = reinterpret_cast<KeyWanted>(forms::edit_box_unit_interface(forms::kInterfaceKeyWanted));
    ASSERT_NE(wanted, nullptr);
    EditBoxBlock b;
    b.multi_line = 1;
    start_with(block_bytes(b, forms::write_edit_box_block), {0, 0, 100, 100});
    EXPECT_TRUE(wanted(program.object(kWindowId, kEdit), ui::VK_RETURN));
    EXPECT_FALSE(wanted(program.object(kWindowId, kEdit), ui::VK_TAB));
    EXPECT_FALSE(wanted(program.object(kWindowId, kOther), ui::VK_RETURN)) << "single-line";
    write_number(kWindowId, kEdit, 8 + forms::EditBoxUnit::kInputMode, forms::kInputReadOnly);
    EXPECT_FALSE(wanted(program.object(kWindowId, kEdit), ui::VK_RETURN));
    EXPECT_TRUE(style() & ui::ES_READONLY);
}

TEST_F(EditBoxUnitTest, all_properties_give_the_live_block) {
    start_with({});
    write_text(kWindowId, kEdit, kContent, "live");
    write_number(kWindowId, kEdit, 8 + forms::EditBoxUnit::kBackgroundColour, 0x123456);
    auto all = reinterpret_cast<forms::UnitAllPropertiesRoutine>(
        forms::edit_box_unit_interface(forms::kInterfaceAllProperties));
    auto block = forms::read_edit_box_block(all(program.object(kWindowId, kEdit)));
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(block.value().content, "live");
    EXPECT_EQ(block.value().background_colour, 0x123456u);
    EXPECT_EQ(record().edit.background_color, 0x123456u) << "the new colour reaches the control";
}

}  // namespace
}  // namespace quilbex::testing
