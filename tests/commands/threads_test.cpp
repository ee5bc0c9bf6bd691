#include "CommandTestSupport.h"
#include "commands/CoreLibrary.h"
#include "commands/threads/ThreadCommands.h"

#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>

namespace quilbex::commands {
namespace {

std::atomic<std::uintptr_t> g_seen{~std::uintptr_t{0}};
std::atomic<int> g_runs{0};

win::DWORD remember_parameter(win::LPVOID parameter) {
    g_seen = reinterpret_cast<std::uintptr_t>(parameter);
    ++g_runs;
    return 5;
}

void wait_for_runs(int n) {
    for (int i = 0; i < 5000 && g_runs < n; ++i)
        kernel::Sleep(1);
    ASSERT_GE(g_runs, n);
}

TEST(start_thread, without_a_handle_variable_passes_zero_and_keeps_no_handle_open) {
    int runs = g_runs;
    std::size_t open = kernel::open_thread_handle_count();
    EXPECT_TRUE(start_thread(remember_parameter));
    EXPECT_EQ(kernel::open_thread_handle_count(), open);
    wait_for_runs(runs + 1);
    EXPECT_EQ(g_seen, 0u);
}

TEST(start_thread, with_a_handle_variable_leaves_an_open_handle_for_the_caller) {
    int runs = g_runs;
    std::int32_t handle = 0;
    EXPECT_TRUE(start_thread(remember_parameter, 77, &handle));
    ASSERT_NE(handle, 0);
    auto h = reinterpret_cast<win::HANDLE>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(handle)));
    EXPECT_EQ(kernel::WaitForSingleObject(h, 5000), kernel::WAIT_OBJECT_0);
    win::DWORD code = 0;
    EXPECT_TRUE(kernel::GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 5u);
    EXPECT_TRUE(kernel::CloseHandle(h));
    wait_for_runs(runs + 1);
    EXPECT_EQ(g_seen, 77u);
}

TEST(start_thread, an_omitted_parameter_or_handle_record_counts_as_absent) {
    int runs = g_runs;
    std::size_t open = kernel::open_thread_handle_count();
    std::int32_t handle = 4321;
    rt::ArgRecord routine =
        rt::ArgRecord::of_pointer(reinterpret_cast<const void*>(&remember_parameter), rt::kTypeSubroutine);
    // Both records hold a usable value but type 0: omitted, whatever the value.
    rt::ArgRecord parameter{};
    parameter.low = 1234;
    rt::ArgRecord handle_record = rt::ArgRecord::of_pointer(&handle, rt::kTypeInt | rt::kByReference);
    handle_record.type = rt::kTypeNone;
    rt::ArgRecord records[3] = {routine, parameter, handle_record};
    rt::ArgRecord result = rt::call_library_command(lib::start_thread, 1, 3, records);
    EXPECT_EQ(result.type, rt::kTypeBool);
    EXPECT_EQ(result.low, 1u);
    EXPECT_EQ(handle, 4321) << "an omitted handle record was written";
    EXPECT_EQ(kernel::open_thread_handle_count(), open);
    wait_for_runs(runs + 1);
    EXPECT_EQ(g_seen, 0u);
}

TEST(start_thread, a_missing_routine_fails_and_writes_the_null_handle) {
    std::int32_t handle = 99;
    EXPECT_FALSE(start_thread(nullptr, 1, &handle));
    EXPECT_EQ(handle, 0);
}

TEST(thread_library, keeps_the_runtime_entry_and_answers_only_codes_1_and_6) {
    rt::LibraryNotify notify = thread_library_notification();
    auto entry = +[](std::uint32_t, std::uintptr_t, std::uintptr_t) -> std::int64_t { return 0; };
    EXPECT_EQ(notify(1, reinterpret_cast<std::uintptr_t>(entry), 0), 0);
    EXPECT_EQ(lib::thread_library_runtime(), entry);
    EXPECT_EQ(notify(6, 0, 0), 0);
    EXPECT_EQ(notify(2, 0, 0), -1);
}

}  // namespace
}  // namespace quilbex::commands
