#include "platform/kernel/Thread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>

namespace quilbex::kernel {
namespace {

using win::DWORD;
using win::HANDLE;

DWORD return_parameter(win::LPVOID parameter) {
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

struct Gate {
    std::atomic<bool> open{false};
    std::atomic<bool> reached{false};
};

DWORD wait_at_gate(win::LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    gate->reached = true;
    while (!gate->open)
        Sleep(1);
    return 7;
}

TEST(Thread, routine_result_becomes_the_exit_code_and_running_threads_report_still_active) {
    Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, wait_at_gate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_LE(reinterpret_cast<std::uintptr_t>(thread), 0xFFFFFFFFu) << "handles must fit 32-bit variables";
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);

    gate.open = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Thread, parameter_reaches_the_routine) {
    HANDLE thread =
        CreateThread(nullptr, 0, return_parameter, reinterpret_cast<win::LPVOID>(std::uintptr_t{42}), 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 42u);
    CloseHandle(thread);
}

TEST(Thread, handle_outlives_the_thread_and_thread_outlives_its_handle) {
    HANDLE ended = CreateThread(nullptr, 0, return_parameter, nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(ended, 5000), WAIT_OBJECT_0);
    Sleep(5);
    DWORD code = 99;
    EXPECT_TRUE(GetExitCodeThread(ended, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(CloseHandle(ended));

    // The thread runs on after the test: its gate must outlive the test.
    static Gate gate;
    gate.open = false;
    gate.reached = false;
    std::size_t before = open_thread_handle_count();
    HANDLE running = CreateThread(nullptr, 0, wait_at_gate, &gate, 0, nullptr);
    EXPECT_TRUE(CloseHandle(running));
    EXPECT_EQ(open_thread_handle_count(), before);
    while (!gate.reached)
        Sleep(1);
    gate.open = true;  // the thread finishes on its own, unobserved
    Sleep(20);
}

TEST(Thread, closed_or_unknown_handles_are_rejected) {
    HANDLE thread = CreateThread(nullptr, 0, return_parameter, nullptr, 0, nullptr);
    WaitForSingleObject(thread, 5000);
    ASSERT_TRUE(CloseHandle(thread));
    DWORD code;
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(std::uintptr_t{0x12345678})));
}

std::atomic<HANDLE> g_own_handle{nullptr};
std::atomic<bool> g_after_terminate{false};

DWORD end_own_thread(win::LPVOID) {
    while (!g_own_handle)
        Sleep(1);
    DWORD code = 0;
    GetExitCodeThread(g_own_handle, &code);
    TerminateThread(g_own_handle, code);
    g_after_terminate = true;  // never reached
    return 1;
}

TEST(Thread, a_thread_can_end_itself_with_its_own_exit_code) {
    HANDLE thread = CreateThread(nullptr, 0, end_own_thread, nullptr, 0, nullptr);
    g_own_handle = thread;
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_FALSE(g_after_terminate);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, STILL_ACTIVE) << "the worker ends itself with the code it read while running";
    CloseHandle(thread);
}

TEST(Thread, terminating_another_thread_is_refused) {
    Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, wait_at_gate, &gate, 0, nullptr);
    SetLastError(0);
    EXPECT_FALSE(TerminateThread(thread, 1));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    gate.open = true;
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 7u);
    CloseHandle(thread);
}

DWORD report_thread_id(win::LPVOID parameter) {
    *static_cast<DWORD*>(parameter) = GetCurrentThreadId();
    return 0;
}

TEST(Thread, thread_ids_and_last_errors_belong_to_each_thread) {
    DWORD seen = 0, reported = 0;
    SetLastError(1234);
    HANDLE thread = CreateThread(nullptr, 0, report_thread_id, &seen, 0, &reported);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_NE(seen, 0u);
    EXPECT_EQ(seen, reported);
    EXPECT_NE(seen, GetCurrentThreadId());
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST(Thread, invalid_start_arguments_fail) {
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateThread(nullptr, 0, return_parameter, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
}

TEST(Sleep, waits_at_least_the_time_given) {
    auto start = std::chrono::steady_clock::now();
    Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace quilbex::kernel
