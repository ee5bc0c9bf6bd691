#include "UiFixture.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace quilbex::ui::testing {
namespace {

using Loop = UiTest;

// Fails the test instead of hanging when a loop does not end in time.
struct Reaper {
    explicit Reaper(std::chrono::milliseconds limit) {
        m_thread = std::thread([this, limit] {
            std::unique_lock lock(m_mutex);
            if (!m_cv.wait_for(lock, limit, [&] { return m_done; })) {
                ADD_FAILURE() << "message loop did not end in time";
                PostQuitMessage(99);
            }
        });
    }
    ~Reaper() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

TEST_F(Loop, posted_messages_come_in_order_and_quit_only_after_them) {
    HWND top = top_level();
    PostMessageA(top, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    PostMessageA(top, WM_USER + 2, 0, 0);
    EXPECT_EQ(run_message_loop(), 3);
    auto got = journal().of(top);
    auto first = std::find(got.begin(), got.end(), WM_USER + 1);
    auto second = std::find(got.begin(), got.end(), WM_USER + 2);
    ASSERT_NE(first, got.end());
    ASSERT_NE(second, got.end());
    EXPECT_LT(first, second);
}

TEST_F(Loop, pump_pending_dispatches_what_waits_and_leaves_the_quit_message) {
    HWND top = top_level();
    PostMessageA(top, WM_USER, 1, 0);
    EXPECT_TRUE(pump_pending_messages());
    EXPECT_EQ(journal().count(top, WM_USER), 1u);
    PostQuitMessage(5);
    EXPECT_FALSE(pump_pending_messages());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(Loop, messages_for_a_destroyed_window_are_dropped) {
    HWND top = top_level();
    PostMessageA(top, WM_USER, 0, 0);
    DestroyWindow(top);
    EXPECT_FALSE(PostMessageA(top, WM_USER, 0, 0));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Loop, a_message_sent_from_a_worker_is_handled_on_the_window_thread_before_send_returns) {
    HWND top = top_level();
    std::thread::id handled_on;
    journal().handlers[WM_USER] = [&](HWND, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        handled_on = std::this_thread::get_id();
        return static_cast<LRESULT>(w * 2);
    };
    std::atomic<LRESULT> answer{0};
    std::thread worker([&] {
        answer = SendMessageA(top, WM_USER, 21, 0);
        PostQuitMessage(0);
    });
    Reaper reaper(std::chrono::seconds(10));
    run_message_loop();
    worker.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(handled_on, std::this_thread::get_id());
}

TEST_F(Loop, workers_use_window_functions_through_the_window_thread) {
    HWND top = top_level();
    HWND edit = child(top, "EDIT", WS_VISIBLE, {0, 0, 50, 20}, 100);
    std::thread worker([&] {
        SetWindowTextA(edit, "from worker");
        EXPECT_EQ(window_text(edit), "from worker");
        EXPECT_TRUE(IsWindow(edit));
        PostQuitMessage(0);
    });
    Reaper reaper(std::chrono::seconds(10));
    run_message_loop();
    worker.join();
    EXPECT_EQ(window_text(edit), "from worker");
}

// Starts each of `senders` on its own thread and returns once every one has
// queued its call for this (the window) thread. A thread that queues a call
// wakes the backend once, and nothing else wakes it here, so each wake taken
// is one call queued. A sender that never queues is reported after a generous
// ceiling instead of hanging the test.
std::vector<std::thread> start_queued(HeadlessBackend& backend, std::vector<std::function<void()>> senders) {
    std::vector<std::thread> threads;
    backend.wait(0);  // a wake left from earlier work
    for (auto& sender : senders) {
        std::atomic<bool> queued{false};
        std::thread watchdog([&] {
            auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!queued && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!queued) {
                ADD_FAILURE() << "a sender did not queue its call";
                backend.wake();
            }
        });
        threads.emplace_back(std::move(sender));
        backend.wait(-1);
        queued = true;
        watchdog.join();
    }
    return threads;
}

TEST_F(Loop, a_sender_waiting_on_a_window_that_is_destroyed_gets_zero) {
    HWND top = top_level();
    HWND doomed = child(top, "Probe", 0, {0, 0, 1, 1}, 1);
    std::promise<LRESULT> result;
    // The call is queued, then the window goes before the loop handles it.
    auto workers = start_queued(*headless, {[&] { result.set_value(SendMessageA(doomed, WM_USER, 0, 0)); }});
    DestroyWindow(doomed);
    auto future = result.get_future();
    EXPECT_EQ(future.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    workers[0].join();
    EXPECT_EQ(future.get(), 0);
}

TEST_F(Loop, shutting_down_releases_senders_that_wait) {
    HWND top = top_level();
    std::atomic<bool> returned{false};
    auto workers = start_queued(*headless, {[&] {
        SendMessageA(top, WM_USER, 0, 0);
        returned = true;
    }});
    WindowSystem::shut_down();
    workers[0].join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(journal().count(top, WM_USER), 0u);
}

TEST_F(Loop, shutting_down_outlasts_every_released_sender) {
    // Released senders still take the queue lock on their way out; the
    // system must not be freed under them (a sanitizer build sees it).
    HWND top = top_level();
    constexpr int kSenders = 8;
    std::atomic<int> returned{0};
    std::vector<std::function<void()>> senders(kSenders, [&] {
        SendMessageA(top, WM_USER, 0, 0);
        ++returned;
    });
    auto workers = start_queued(*headless, senders);
    WindowSystem::shut_down();
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(returned.load(), kSenders);
}

TEST_F(Loop, timers_tick_once_per_interval_of_virtual_time) {
    HWND top = top_level();
    SetTimer(top, 1000, 1000, nullptr);
    headless->advance_time(999);
    EXPECT_EQ(journal().count(top, WM_TIMER), 0u);
    headless->advance_time(1);
    EXPECT_EQ(journal().count(top, WM_TIMER), 1u);
    headless->advance_time(5000);
    EXPECT_EQ(journal().count(top, WM_TIMER), 6u);
    EXPECT_TRUE(KillTimer(top, 1000));
    headless->advance_time(5000);
    EXPECT_EQ(journal().count(top, WM_TIMER), 6u);
    EXPECT_FALSE(KillTimer(top, 1000));
}

TEST_F(Loop, setting_a_timer_again_restarts_its_phase) {
    HWND top = top_level();
    SetTimer(top, 7, 1000, nullptr);
    headless->advance_time(600);
    SetTimer(top, 7, 1000, nullptr);
    headless->advance_time(600);
    EXPECT_EQ(journal().count(top, WM_TIMER), 0u);
    headless->advance_time(400);
    EXPECT_EQ(journal().count(top, WM_TIMER), 1u);
}

TEST_F(Loop, run_until_quit_jumps_virtual_time_to_the_next_timer) {
    HWND top = top_level();
    int ticks = 0;
    journal().handlers[WM_TIMER] = [&](HWND, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (++ticks == 5)
            PostQuitMessage(0);
        return 0;
    };
    auto start = WindowSystem::the().backend().clock().now_ms();
    SetTimer(top, 1, 1000, nullptr);
    run_message_loop();
    EXPECT_EQ(WindowSystem::the().backend().clock().now_ms() - start, 5000);
}

TEST_F(Loop, a_handler_slower_than_its_timer_does_not_keep_the_pump_going) {
    auto& real = WindowSystem::use_headless(HeadlessOptions{false});
    (void)real;
    WNDCLASSA probe{};
    probe.lpfnWndProc = probe_procedure;
    probe.lpszClassName = "Probe";
    RegisterClassA(&probe);
    HWND top = top_level();
    journal().handlers[WM_TIMER] = [](HWND, WPARAM, LPARAM) -> std::optional<LRESULT> {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        return 0;
    };
    SetTimer(top, 1, 10, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(pump_pending_messages());
    EXPECT_EQ(journal().count(top, WM_TIMER), 1u);
}

TEST_F(Loop, a_timer_procedure_is_called_instead_of_the_window) {
    static int called = 0;
    called = 0;
    HWND top = top_level();
    SetTimer(top, 3, 100, [](HWND, UINT, UINT_PTR id, DWORD) { called += static_cast<int>(id); });
    headless->advance_time(100);
    EXPECT_EQ(called, 3);
    EXPECT_EQ(journal().count(top, WM_TIMER), 0u);
    UINT_PTR thread_timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { called += 100; });
    EXPECT_NE(thread_timer, 0u);
    headless->advance_time(50);
    EXPECT_GE(called, 103);
}

TEST_F(Loop, a_nested_loop_hands_the_quit_message_on_to_the_outer_loop) {
    HWND top = top_level();
    PostMessageA(top, WM_USER, 0, 0);
    PostQuitMessage(8);
    bool done = false;
    run_message_loop_until([&] { return done; });
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 8u);
}

TEST_F(Loop, invalid_windows_are_painted_once_when_the_queue_is_empty) {
    HWND top = top_level(WS_OVERLAPPED | WS_VISIBLE);
    journal().handlers[WM_PAINT] = [](HWND, WPARAM, LPARAM) -> std::optional<LRESULT> { return 0; };  // never validates
    pump_pending_messages();
    EXPECT_EQ(journal().count(top, WM_PAINT), 1u);
    InvalidateRect(top, nullptr, TRUE);
    pump_pending_messages();
    pump_pending_messages();
    EXPECT_EQ(journal().count(top, WM_PAINT), 2u);
}

TEST_F(Loop, the_input_filter_sees_input_first_and_may_keep_it) {
    HWND top = top_level(WS_OVERLAPPED | WS_VISIBLE);
    HWND c = child(top, "Probe", WS_VISIBLE, {0, 0, 20, 20}, 1);
    std::vector<UINT> filtered;
    set_input_filter([&](MSG& m) {
        filtered.push_back(m.message);
        return m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE;
    });
    SetFocus(c);
    headless->press_key(VK_ESCAPE);
    EXPECT_EQ(journal().count(c, WM_KEYDOWN), 0u);
    EXPECT_EQ(journal().count(c, WM_CHAR), 0u);  // a consumed key types nothing
    EXPECT_EQ(journal().count(c, WM_KEYUP), 1u);
    headless->press_key('A');
    EXPECT_EQ(journal().count(c, WM_KEYDOWN), 1u);
    ASSERT_EQ(journal().count(c, WM_CHAR), 1u);
    headless->click(c, POINT{3, 4});
    auto down = std::find_if(journal().messages.begin(), journal().messages.end(),
                             [](const Received& m) { return m.message == WM_LBUTTONDOWN; });
    ASSERT_NE(down, journal().messages.end());
    EXPECT_EQ(GET_X_LPARAM(down->lparam), 3);
    EXPECT_EQ(GET_Y_LPARAM(down->lparam), 4);
    EXPECT_EQ(filtered.front(), WM_KEYDOWN);
}

TEST_F(Loop, key_state_reports_held_modifiers) {
    HWND top = top_level(WS_OVERLAPPED | WS_VISIBLE);
    SetFocus(top);
    headless->set_modifiers(true, false, false);
    EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    headless->press_key('C');
    auto ch = std::find_if(journal().messages.begin(), journal().messages.end(),
                           [](const Received& m) { return m.message == WM_CHAR; });
    ASSERT_NE(ch, journal().messages.end());
    EXPECT_EQ(ch->wparam, 3u);  // Ctrl+C
    headless->set_modifiers(false, false, true);
    headless->press_key('X');
    EXPECT_EQ(journal().count(top, WM_SYSKEYDOWN), 1u);
}

TEST_F(Loop, hidden_or_disabled_windows_take_no_mouse_input) {
    HWND top = top_level(WS_OVERLAPPED | WS_VISIBLE);
    HWND hidden = child(top, "Probe", 0, {0, 0, 20, 20}, 1);
    HWND disabled = child(top, "Probe", WS_VISIBLE | WS_DISABLED, {0, 0, 20, 20}, 2);
    EXPECT_FALSE(headless->click(hidden));
    EXPECT_FALSE(headless->click(disabled));
    EXPECT_EQ(journal().count(hidden, WM_LBUTTONDOWN) + journal().count(disabled, WM_LBUTTONDOWN), 0u);
}

}  // namespace
}  // namespace quilbex::ui::testing
