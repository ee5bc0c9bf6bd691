#include "TestProgram.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Paths.h"
#include "runtime/CallFrame.h"
#include "runtime/EntryPoints.h"
#include "runtime/Exit.h"
#include "runtime/Memory.h"
#include "runtime/Notifications.h"
#include "runtime/Startup.h"
#include "runtime/SystemHelp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quilbex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::vector<std::string> g_events;

void first_callback(int position) { g_events.push_back("first@" + std::to_string(position)); }
void second_callback(int position) { g_events.push_back("second@" + std::to_string(position)); }

std::int32_t library_notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t) {
    if (code == 1)
        g_events.push_back(arg1 == reinterpret_cast<std::uintptr_t>(&rt::runtime_notify) ? "library:1 runtime"
                                                                                         : "library:1 other");
    else
        g_events.push_back("library:" + std::to_string(code) + " " + std::to_string(arg1));
    return 0;
}

std::int32_t entry_registering_callbacks() {
    rt::load_program_data();
    rt::system_help(3, reinterpret_cast<std::uintptr_t>(&first_callback));
    rt::system_help(3, reinterpret_cast<std::uintptr_t>(&second_callback));
    rt::system_help(3, reinterpret_cast<std::uintptr_t>(&first_callback));  // already registered
    rt::enter_message_loop();  // no window is live: returns at once
    g_events.push_back("entry returns");
    return 0;
}

TEST(Startup, a_normal_end_runs_each_exit_callback_once_in_order_after_the_windows_go) {
    quilbex::testing::TestProgram program;
    rt::LibraryInfo library;
    library.notify = library_notify;
    program.libraries = {&library};
    program.load();  // fills the header; run_program loads it again as the program would
    rt::runtime_app().reset();
    g_events.clear();
    EXPECT_EQ(rt::run_program(program.header, entry_registering_callbacks), 0);
    EXPECT_THAT(g_events, ElementsAre("library:1 runtime", "entry returns", "first@0", "second@1", "library:6 0"));
    EXPECT_TRUE(rt::runtime_app().loopEntered);
    EXPECT_TRUE(rt::runtime_app().exitCallbacks.empty());
}

TEST(Startup, loading_program_data_copies_the_header_and_moves_to_the_program_folder) {
    ASSERT_EQ(::chdir("/"), 0);
    quilbex::testing::TestProgram program;
    program.load();
    auto& app = rt::runtime_app();
    EXPECT_EQ(app.runMode, 3u);
    EXPECT_EQ(app.reservedB, 112964u);
    // The program keeps its paths as GBK texts; the file system's are UTF-8.
    EXPECT_EQ(app.programDir, kernel::utf8_to_gbk(kernel::executable_directory()));
    EXPECT_EQ(app.programDir + "/" + app.programFile, kernel::utf8_to_gbk(kernel::executable_path()));
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), kernel::executable_directory());
    EXPECT_TRUE(rt::is_constant(program.constant_text()));
}

TEST(StartupDeathTest, without_templates_the_startup_window_cannot_load) {
    EXPECT_EXIT(
        {
            quilbex::testing::TestProgram program;
            program.load();
            rt::load_startup_window(0x52010001);
        },
        ::testing::ExitedWithCode(255), HasSubstr("载入启动窗口失败\r\n\r\n1375797249, 0\r\n未找到所指定的窗口"));
}

void command_returning_argc(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    *result = rt::ArgRecord::of_int(argc * 100 + args[argc - 1].as_int());
}
void command_without_result(rt::ArgRecord*, int, rt::ArgRecord*) {}

TEST(CallFrame, a_command_receives_its_records_and_returns_its_result_record) {
    rt::ArgRecord args[] = {rt::ArgRecord::of_int(1), rt::ArgRecord{}, rt::ArgRecord::of_int(7)};
    rt::ArgRecord result = rt::entry_points().call_core_command(command_returning_argc, 3, args);
    EXPECT_EQ(result.type, rt::kTypeInt);
    EXPECT_EQ(result.as_int(), 307);
    rt::ArgRecord none = rt::call_library_command(command_without_result, 1, 0, args);
    EXPECT_EQ(none.low, 0u);
    EXPECT_EQ(none.high, 0u);
    EXPECT_EQ(none.type, rt::kTypeNone);
}

TEST(CallFrame, a_pointer_travels_in_both_halves) {
    int target = 0;
    auto record = rt::ArgRecord::of_pointer(&target, rt::kTypeText | rt::kByReference);
    EXPECT_EQ(record.pointer(), &target);
    EXPECT_EQ(record.type, 0xA0000004u);
}

TEST(Notifications, runtime_requests_answer_from_the_runtime_state) {
    quilbex::testing::TestProgram program;
    rt::DataTypeRecord types[2] = {};
    types[0].stateFlags = 0x800000D0;  // a window: bit 6
    types[1].stateFlags = 0x44;  // bit 2 wins over bit 6
    rt::LibraryInfo library;
    library.dataTypeCount = 2;
    library.dataTypes = types;
    program.libraries = {&library};
    program.load();
    EXPECT_EQ(rt::runtime_notify(1005, 0, 0), 0x70005);
    EXPECT_EQ(rt::runtime_notify(2030, 0, 0), 3);
    EXPECT_EQ(rt::runtime_notify(1002, 0x00010002, 0), reinterpret_cast<std::intptr_t>(&types[1]));
    EXPECT_EQ(rt::runtime_notify(1002, 0x00010003, 0), 0);
    EXPECT_EQ(rt::runtime_notify(1002, 0x00020001, 0), 0);
    EXPECT_EQ(rt::runtime_notify(2029, 0x00010001, 0), 1);
    EXPECT_EQ(rt::runtime_notify(2029, 0x00010002, 0), 2);
    rt::OwnedText folder(reinterpret_cast<char*>(rt::runtime_notify(1006, 1, 0)));
    EXPECT_EQ(std::string(folder.get()), rt::runtime_app().programDir + "/");
    EXPECT_EQ(rt::runtime_notify(1006, 7, 0), 0);
    EXPECT_EQ(reinterpret_cast<const char*>(rt::runtime_notify(2004, 0, 0)), rt::runtime_app().programFile);
    void* raw = reinterpret_cast<void*>(rt::runtime_notify(2024, 32, 1));
    ASSERT_NE(raw, nullptr);
    rt::runtime_notify(2025, reinterpret_cast<std::uintptr_t>(raw), 0);
}

TEST(Notifications, suspending_and_resuming_dispatch_never_goes_below_zero) {
    quilbex::testing::TestProgram program;
    program.load();
    rt::runtime_notify(2009, 0, 0);
    EXPECT_EQ(rt::runtime_app().suppressCount, 1);
    rt::runtime_notify(2010, 0, 0);
    rt::runtime_notify(2010, 0, 0);
    EXPECT_EQ(rt::runtime_app().suppressCount, 0);
}

}  // namespace
