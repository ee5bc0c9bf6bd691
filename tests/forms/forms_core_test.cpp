#include "FormsFixture.h"
#include "forms/Dispatch.h"
#include "forms/PropertyAccess.h"
#include "forms/WindowCommands.h"
#include "runtime/CallFrame.h"
#include "runtime/ErrorReport.h"
#include "runtime/Exit.h"
#include "runtime/Memory.h"
#include "support/Gbk.h"

#include <atomic>
#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

using namespace quilbex;
namespace qt = quilbex::testing;
using quilbex::testing::fixture_state;
using quilbex::testing::FormsProgram;
using quilbex::testing::unit;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr std::uint32_t kMainOwn = 0x06010001;
constexpr std::uint32_t kA = 0x16010002;
constexpr std::uint32_t kB = 0x16010003;
constexpr std::uint32_t kC = 0x16010004;
constexpr std::uint32_t kEdit = 0x16010005;
constexpr std::uint32_t kDialogOwn = 0x06010010;

forms::WindowTemplate& add_main(FormsProgram& program) {
    auto& main = program.add_window(qt::kMainWindow);
    auto own = unit(kMainOwn, qt::kFormType, 10, 20, 440, 338);
    own.handlers = {{0, qt::kOnCreated}, {3, qt::kOnMove}, {4, qt::kOnSize}};
    own.tag = "main";
    main.units.push_back(own);
    return main;
}

// Runs the window thread's loop until `done` holds; fails the test after five seconds.
template <typename Done> void pump_until(Done done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        ui::pump_pending_messages();
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the window thread never got there";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(WindowLoading, controls_are_created_in_reverse_template_order_with_identifiers_from_100) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kA, qt::kPlainType, 1, 1, 10, 10));
    main.units.push_back(unit(kB, qt::kPlainType, 2, 2, 10, 10));
    main.units.push_back(unit(kC, qt::kPlainType, 3, 3, 10, 10));
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    EXPECT_THAT(fixture_state().created_control_ids, ElementsAre(100, 110, 120));
    EXPECT_EQ(ui::GetDlgCtrlID(program.hwnd_of(qt::kMainWindow, kC)), 100);
    EXPECT_EQ(ui::GetDlgCtrlID(program.hwnd_of(qt::kMainWindow, kA)), 120);
    EXPECT_EQ(ui::GetParent(program.hwnd_of(qt::kMainWindow, kA)), program.window(qt::kMainWindow).hwnd());
}

TEST(WindowLoading, the_window_announces_creation_then_move_then_size) {
    FormsProgram program;
    add_main(program);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    EXPECT_THAT(fixture_state().events, ElementsAre("created@1", "move@1", "size@1"));
    EXPECT_TRUE(ui::IsWindowVisible(program.window(qt::kMainWindow).hwnd()));
}

TEST(WindowLoading, loading_a_live_window_again_only_activates_it) {
    FormsProgram program;
    add_main(program);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    ui::HWND first = program.window(qt::kMainWindow).hwnd();
    rt::load_startup_window(qt::kMainWindow);
    EXPECT_EQ(program.window(qt::kMainWindow).hwnd(), first);
    EXPECT_EQ(fixture_state().events.size(), 3u);  // no second "created"
}

TEST(WindowLoading, hidden_and_disabled_flags_reach_the_created_control) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kA, qt::kPlainType, 1, 1, 10, 10, 0));
    main.units.push_back(unit(kB, qt::kPlainType, 1, 1, 10, 10, forms::kUnitVisible | forms::kUnitDisabled));
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    EXPECT_FALSE(ui::IsWindowVisible(program.hwnd_of(qt::kMainWindow, kA)));
    EXPECT_TRUE(ui::IsWindowVisible(program.hwnd_of(qt::kMainWindow, kB)));
    EXPECT_FALSE(ui::IsWindowEnabled(program.hwnd_of(qt::kMainWindow, kB)));
    forms::write_unit_property(qt::kMainWindow, kA, 5, -1, 1);
    EXPECT_TRUE(ui::IsWindowVisible(program.hwnd_of(qt::kMainWindow, kA)));
}

TEST(WindowLoading, a_type_without_creation_routine_fails_cleanly_and_keeps_the_template) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kA, qt::kPlainType, 1, 1, 10, 10));
    main.units.push_back(unit(kB, qt::kBrokenType, 1, 1, 10, 10));
    program.load();
    forms::WindowTemplate before = program.window(qt::kMainWindow).working;
    EXPECT_FALSE(rt::window_host().load_startup_window(qt::kMainWindow));
    EXPECT_FALSE(forms::any_window_live());
    EXPECT_EQ(program.window(qt::kMainWindow).working, before);
    EXPECT_EQ(rt::runtime_app().suppressCount, 0);
    EXPECT_TRUE(fixture_state().events.empty());
}

TEST(EventDispatch, no_handler_runs_while_dispatch_is_suspended) {
    FormsProgram program;
    auto& main = add_main(program);
    auto a = unit(kA, qt::kPlainType, 1, 1, 10, 10);
    a.handlers = {{0, qt::kOnClick}};
    main.units.push_back(a);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    fixture_state().events.clear();
    rt::runtime_notify(2009, 0, 0);
    EXPECT_FALSE(forms::raise_event(qt::kMainWindow, kA, 0).ran);
    rt::runtime_notify(2010, 0, 0);
    EXPECT_TRUE(forms::raise_event(qt::kMainWindow, kA, 0).ran);
    EXPECT_THAT(fixture_state().events, ElementsAre("click@2"));
}

TEST(EventDispatch, a_copied_unit_runs_its_sources_handlers_and_reports_itself_as_source) {
    FormsProgram program;
    auto& main = add_main(program);
    auto a = unit(kA, qt::kPlainType, 1, 1, 10, 10);
    a.handlers = {{0, qt::kOnClick}};
    auto b = unit(kB, qt::kPlainType, 20, 1, 10, 10);
    b.source_unit = kA;
    main.units.push_back(a);
    main.units.push_back(b);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    fixture_state().events.clear();
    program.backend().click(program.hwnd_of(qt::kMainWindow, kB));
    EXPECT_THAT(fixture_state().events, ElementsAre("click@3"));
}

TEST(EventDispatch, a_handler_for_a_window_that_is_not_listed_is_a_runtime_error) {
    EXPECT_EXIT(
        {
            FormsProgram program;
            add_main(program);
            program.load();
            forms::raise_event(0x52019999, 0, 0);
        },
        ::testing::ExitedWithCode(255), HasSubstr("未找到引发事件的窗口"));
}

TEST(PropertyAccess, positions_and_sizes_are_clamped) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kA, qt::kPlainType, 1, 1, 10, 10));
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    forms::write_unit_property(qt::kMainWindow, kA, 0, -1, static_cast<std::uint32_t>(-40000));
    forms::write_unit_property(qt::kMainWindow, kA, 2, -1, 40000);
    EXPECT_EQ(static_cast<std::int32_t>(forms::read_unit_property(qt::kMainWindow, kA, 0, -1)), -32627);
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kA, 2, -1), 32627u);
    EXPECT_EQ(program.window(qt::kMainWindow).working.find_unit(kA)->left, -32627);
    forms::write_unit_property(qt::kMainWindow, kA, 3, -1, static_cast<std::uint32_t>(-5));
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kA, 3, -1), 0u);
}

TEST(PropertyAccess, a_window_not_yet_created_answers_common_properties_from_its_template) {
    FormsProgram program;
    auto& main = add_main(program);
    auto a = unit(kA, qt::kPlainType, 7, 8, 10, 10);
    a.tag = "tagged";
    main.units.push_back(a);
    program.load();
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kA, 0, -1), 7u);
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kA, 5, -1), 1u);
    rt::OwnedText tag(reinterpret_cast<char*>(forms::read_unit_property(qt::kMainWindow, kA, 4, -1)));
    EXPECT_STREQ(tag.get(), "tagged");
    forms::write_unit_property(qt::kMainWindow, kA, 1, -1, 99);
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kA, 1, -1), 99u);
}

TEST(PropertyAccess, a_unit_property_of_a_window_not_yet_created_is_fatal) {
    EXPECT_EXIT(
        {
            FormsProgram program;
            auto& main = add_main(program);
            main.units.push_back(unit(kA, qt::kPlainType, 7, 8, 10, 10));
            program.load();
            forms::read_unit_property(qt::kMainWindow, kA, 8, -1);
        },
        ::testing::ExitedWithCode(255),
        HasSubstr("读取组件属性时发现指定窗口尚未载入\r\n\r\n1375797249, 369164290\r\n\"main\"\r\n\"\""));
}

TEST(PropertyAccess, unit_properties_go_through_the_types_routines_and_texts_come_back_as_new_blocks) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kA, qt::kPlainType, 1, 1, 10, 10));
    main.units.push_back(unit(kEdit, qt::kEditType, 1, 1, 100, 40));
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    forms::write_unit_property(qt::kMainWindow, kA, 8, -1, 1234);
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kA, 8, -1), 1234u);
    EXPECT_EQ(forms::read_unit_property(qt::kMainWindow, kEdit, 8, -1), 0u);  // empty text is null
    forms::write_unit_property(qt::kMainWindow, kEdit, 8, -1, reinterpret_cast<std::uintptr_t>("abc"));
    rt::OwnedText text(reinterpret_cast<char*>(forms::read_unit_property(qt::kMainWindow, kEdit, 8, -1)));
    EXPECT_STREQ(text.get(), "abc");
}

TEST(PropertyAccess, a_write_from_a_worker_thread_happens_on_the_window_thread) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kEdit, qt::kEditType, 1, 1, 100, 40));
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    std::atomic<bool> done = false;
    std::string seen_by_worker;
    std::thread worker([&] {
        forms::write_unit_property(qt::kMainWindow, kEdit, 8, -1, reinterpret_cast<std::uintptr_t>("quote"));
        rt::OwnedText text(reinterpret_cast<char*>(forms::read_unit_property(qt::kMainWindow, kEdit, 8, -1)));
        seen_by_worker = text ? text.get() : "";
        done = true;
    });
    pump_until([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(seen_by_worker, "quote");
}

TEST(WindowCommands, append_edit_text_from_a_worker_waits_for_the_window_thread) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kEdit, qt::kEditType, 1, 1, 100, 40));
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    std::atomic<bool> done = false;
    std::string seen_by_worker;
    std::thread worker([&] {
        rt::ArgRecord args[] = {rt::ArgRecord::of_unit(qt::kMainWindow, kEdit, qt::kEditType),
                                rt::ArgRecord::of_pointer("a", rt::kTypeText),
                                rt::ArgRecord::of_pointer("b", rt::kTypeText)};
        rt::ArgRecord exists_args[] = {args[0]};
        if (rt::call_core_command(forms::lib::component_exists, 1, exists_args).low)
            rt::call_core_command(forms::lib::append_edit_text, 3, args);
        seen_by_worker = ui::window_text(program.hwnd_of(qt::kMainWindow, kEdit));
        done = true;
    });
    pump_until([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(seen_by_worker, "ab");
}

TEST(WindowCommands, component_exists_and_close_window) {
    FormsProgram program;
    auto& main = add_main(program);
    main.units.push_back(unit(kA, qt::kPlainType, 1, 1, 10, 10));
    program.load();
    auto window = rt::ArgRecord::of_unit(qt::kMainWindow, kMainOwn, rt::kTypeWindowReference);
    auto control = rt::ArgRecord::of_unit(qt::kMainWindow, kA, qt::kPlainType);
    EXPECT_EQ(rt::call_core_command(forms::lib::component_exists, 1, &window).low, 0u);
    rt::load_startup_window(qt::kMainWindow);
    EXPECT_EQ(rt::call_core_command(forms::lib::component_exists, 1, &window).low, 1u);
    EXPECT_EQ(rt::call_core_command(forms::lib::component_exists, 1, &control).low, 1u);
    rt::call_core_command(forms::lib::close_window, 1, &control);
    EXPECT_EQ(rt::call_core_command(forms::lib::component_exists, 1, &control).low, 0u);
    rt::call_core_command(forms::lib::close_window, 1, &window);  // posted: still open
    EXPECT_EQ(rt::call_core_command(forms::lib::component_exists, 1, &window).low, 1u);
    ui::pump_pending_messages();
    EXPECT_EQ(rt::call_core_command(forms::lib::component_exists, 1, &window).low, 0u);
}

TEST(WindowCommands, message_box_maps_flags_and_buttons) {
    FormsProgram program;
    program.backend().set_message_box_answer([](const ui::MessageBoxRecord&) { return ui::IDNO; });
    rt::ArgRecord args[] = {rt::ArgRecord::of_int(42), rt::ArgRecord::of_int(4)};
    EXPECT_EQ(rt::call_core_command(forms::lib::message_box, 2, args).as_int(), 6);
    auto boxes = program.backend().message_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "42");
    EXPECT_EQ(boxes[0].caption, quilbex::testing::gbk("信息："));
    EXPECT_EQ(boxes[0].flags, 4u | 0x2000u);
    EXPECT_EQ(forms::message_box_code(ui::IDOK), 0);
    EXPECT_EQ(forms::message_box_code(ui::IDCANCEL), 1);
}

// --- modal windows and the end of the program ---

TEST(ModalWindows, a_modal_load_returns_after_its_window_closed_and_re_enables_the_others) {
    FormsProgram program;
    add_main(program);
    auto& dialog = program.add_window(qt::kDialog);
    auto own = unit(kDialogOwn, qt::kFormType, 0, 0, 200, 100);
    own.handlers = {{0, qt::kOnOther}};
    dialog.units.push_back(own);
    program.load();
    rt::load_startup_window(qt::kMainWindow);
    ui::HWND main_hwnd = program.window(qt::kMainWindow).hwnd();
    fixture_state().events.clear();
    rt::ArgRecord args[] = {rt::ArgRecord::of_unit(qt::kDialog, kDialogOwn, rt::kTypeWindowReference), rt::ArgRecord{},
                            rt::ArgRecord::of_bool(true)};
    rt::ArgRecord result = rt::call_core_command(forms::lib::load_window, 3, args);
    // The dialog's created handler asked for a probe, which ran inside the
    // modal loop and closed the dialog; only then did the load return.
    EXPECT_EQ(result.low, 1u);
    EXPECT_THAT(fixture_state().events, ElementsAre("other@16", "probe: main enabled=no"));
    EXPECT_FALSE(forms::find_loaded_window(qt::kDialog)->unit_live(0));
    EXPECT_TRUE(ui::IsWindowEnabled(main_hwnd));
    EXPECT_EQ(ui::GetParent(main_hwnd), nullptr);
}

std::vector<std::string> g_exit_log;
void exit_routine(int position) { g_exit_log.push_back("exit " + std::to_string(position)); }

std::int32_t entry_that_closes_its_window() {
    rt::load_program_data();
    rt::register_exit_callback(exit_routine);
    rt::load_startup_window(qt::kMainWindow);
    ui::PostMessageA(forms::find_loaded_window(qt::kMainWindow)->hwnd(), ui::WM_CLOSE, 0, 0);
    rt::enter_message_loop();
    g_exit_log.push_back("loop ended");
    return 0;
}

TEST(ProgramEnd, closing_the_last_window_ends_the_loop_and_runs_the_exit_callbacks) {
    FormsProgram program;
    add_main(program);
    program.load();
    rt::runtime_app().reset();
    forms::forms_state() = {};
    g_exit_log.clear();
    EXPECT_EQ(rt::run_program(program.header, entry_that_closes_its_window), 0);
    EXPECT_THAT(g_exit_log, ElementsAre("loop ended", "exit 0"));
}

TEST(ErrorReport, tag_lines_name_the_window_and_unit) {
    FormsProgram program;
    auto& main = add_main(program);
    auto a = unit(kA, qt::kPlainType, 1, 1, 10, 10);
    a.tag = "button";
    main.units.push_back(a);
    program.load();
    EXPECT_EQ(rt::error_detail_text(qt::kMainWindow, kA), "\r\n1375797249, 369164290\r\n\"main\"\r\n\"button\"\r\n");
    EXPECT_THAT(quilbex::testing::utf8(rt::error_detail_text(qt::kMainWindow, 0x16019999)),
                HasSubstr("未找到所指定的窗口组件"));
}

}  // namespace
